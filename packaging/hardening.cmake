# The flags Debian builds its own packages with (dpkg-buildflags, hardening=+all), for every
# optimised build: the programs `make package` ships are hardened the way an administrator's
# lintian and hardening-check expect. Left out of the sanitizer and fuzz builds, whose own
# instrumentation does that checking and does not mix with _FORTIFY_SOURCE.
option(JASERELLE_HARDENING "Build optimised programs with Debian's hardening flags" ON)
if(JASERELLE_HARDENING AND NOT JASERELLE_SANITIZE AND NOT JASERELLE_BUILD_FUZZ)
  set(optimised $<CONFIG:Release,RelWithDebInfo,MinSizeRel>)
  # _FORTIFY_SOURCE only works with optimisation, hence not in a Debug build; -U first so a
  # toolchain that already defines it (Ubuntu's) is not redefined with a warning.
  add_compile_options($<${optimised}:-U_FORTIFY_SOURCE> $<${optimised}:-D_FORTIFY_SOURCE=2>
                      $<${optimised}:-fstack-protector-strong> $<${optimised}:-fstack-clash-protection>
                      $<${optimised}:-Werror=format-security>)
  add_link_options($<${optimised}:LINKER:-z,relro,-z,now>)
  # Position-independent executables (-fPIE at compile, -pie at link): address-space layout
  # randomisation for the programs themselves, whatever the compiler's default.
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
endif()
