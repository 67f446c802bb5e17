# Read by cpack before it builds a package: a package runs on other machines,
# so a build tuned for the building CPU is refused.
if(CPACK_KELVARO_NATIVE)
  message(FATAL_ERROR "kelvaro: this build uses -march=native (KELVARO_NATIVE); packages must run "
                      "on any x86-64 CPU: configure a build with -DKELVARO_NATIVE=OFF and package that")
endif()
