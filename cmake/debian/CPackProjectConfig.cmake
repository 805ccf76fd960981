# Read by cpack for each generator (CPACK_PROJECT_CONFIG_FILE).
if(CPACK_GENERATOR STREQUAL "DEB" AND NOT CPACK_ZELMATH_DEBIAN_LAYOUT)
  message(FATAL_ERROR "Debian packages come from a build that installs into /usr: "
    "`cmake --workflow --preset deb` (or configure with -DCMAKE_INSTALL_PREFIX=/usr); "
    "this build installs into ${CMAKE_INSTALL_PREFIX}.")
endif()
