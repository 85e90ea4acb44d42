# The server line of the jaserelle.ini an installed client starts from is fixed when building.
# A value the client would refuse at start (a typing slip, "http://", a space) fails the
# configure step, where the packager sees it, rather than every user's first login.

# Sets ${result} to why `value` cannot be the [server] line, or to "" when it can: host[:port]
# (plain HTTP, port 80 by default) or https://host[:port] (TLS, port 443 by default), the host a
# name, an IPv4 address or a bracketed IPv6 address.
function(jaserelle_default_server_problem value result)
  set(problem "")
  set(rest "${value}")
  string(LENGTH "${rest}" length)
  if(length GREATER 7)
    string(SUBSTRING "${rest}" 0 8 scheme)
    string(TOLOWER "${scheme}" scheme)
  else()
    set(scheme "")
  endif()
  if(scheme STREQUAL "https://")
    string(SUBSTRING "${rest}" 8 -1 rest)
    string(REGEX REPLACE "/$" "" rest "${rest}")
  endif()
  if(rest STREQUAL "")
    set(problem "no host")
  elseif(rest MATCHES "^[A-Za-z][A-Za-z0-9+.-]*://")
    set(problem "only https:// may be written before the host (a bare host is plain HTTP)")
  elseif(rest MATCHES "^(\\[[0-9A-Fa-f:.]+\\]|[A-Za-z0-9]([A-Za-z0-9.-]*[A-Za-z0-9])?)(:([0-9]+))?$")
    if(CMAKE_MATCH_3)
      set(port "${CMAKE_MATCH_4}")
      if(port LESS 1 OR port GREATER 65535)
        set(problem "port ${port} is not between 1 and 65535")
      endif()
    endif()
  else()
    set(problem "not a host name, an address or host:port")
  endif()
  set(${result} "${problem}" PARENT_SCOPE)
endfunction()
