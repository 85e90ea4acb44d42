# The server line a package may be built with: what the client understands passes, what it
# would refuse at every user's first start is caught when configuring.
# cmake -DPACKAGING_DIR=<source>/packaging -P test_default_server.cmake
cmake_minimum_required(VERSION 3.25)
include(${PACKAGING_DIR}/defaultserver.cmake)

set(accepted localhost "localhost:8080" "communaute.example.org" "127.0.0.1:80" "[::1]:8080"
    "https://communaute.example.org" "HTTPS://communaute.example.org:8443/" "https://[2001:db8::1]")
# Each refused value, then a piece of the reason the packager is given.
set(refused
    "" "no host"
    "https://" "no host"
    "http://communaute.example.org" "only https://"
    "ftp://communaute.example.org" "only https://"
    "communaute example" "not a host name"
    "communaute.example.org/chemin" "not a host name"
    "https://communaute.example.org/chemin" "not a host name"
    ":80" "not a host name"
    "localhost:" "not a host name"
    "localhost:0" "port 0"
    "localhost:65536" "port 65536"
    "-localhost" "not a host name")

set(failures "")
foreach(value IN LISTS accepted)
  jaserelle_default_server_problem("${value}" problem)
  if(NOT problem STREQUAL "")
    string(APPEND failures "\n  \"${value}\" refused: ${problem}")
  endif()
endforeach()
# A line break would end the [server] line early and write a line of its own into the file.
list(APPEND refused "localhost\r\n[sound]" "not a host name")
list(LENGTH refused count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET refused ${i} value)
  list(GET refused ${j} reason)
  jaserelle_default_server_problem("${value}" problem)
  string(FIND "${problem}" "${reason}" at)
  if(at LESS 0)
    string(APPEND failures "\n  \"${value}\": \"${problem}\", expected \"${reason}\"")
  endif()
endforeach()
if(failures)
  message(FATAL_ERROR "default server rule:${failures}")
endif()
