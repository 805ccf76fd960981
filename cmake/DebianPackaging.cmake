# The Debian side of the install rules and of `cpack -G DEB`.
#
# ZELMATH_DEBIAN_LAYOUT is TRUE when the build installs into /usr on a Debian system (the `deb`
# preset). GNUInstallDirs has then chosen the multiarch library directory (lib/<triplet>), and
# every package carries the files Debian asks of it: /usr/share/doc/<package>/copyright (the
# machine-readable copyright file, made from LICENSE) and changelog.gz. Any other build keeps
# GNUInstallDirs' layout, installs LICENSE as share/doc/zelmath/LICENSE, and refuses to make
# Debian packages: they would put the library outside the multiarch directory.

set(ZELMATH_PACKAGE_CONTACT "ZELMath developers <zelmath@example.org>" CACHE STRING
  "Maintainer of the Debian packages, as \"name <address>\"")

if(CMAKE_INSTALL_PREFIX STREQUAL "/usr" AND EXISTS /etc/debian_version)
  set(ZELMATH_DEBIAN_LAYOUT TRUE)
else()
  set(ZELMATH_DEBIAN_LAYOUT FALSE)
endif()

if(ZELMATH_DEBIAN_LAYOUT)
  set(zelmath_debian_dir ${PROJECT_BINARY_DIR}/debian)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
  # The licence paragraph of the copyright file: LICENSE from its "Permission" line on, indented by
  # one space, with " ." for the empty lines.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
  string(FIND "${license_text}" "Permission" permission_at)
  string(SUBSTRING "${license_text}" ${permission_at} -1 license_text)
  string(STRIP "${license_text}" license_text)
  string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
  string(REPLACE "\n" "\n " ZELMATH_LICENSE_BODY " ${license_text}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in ${zelmath_debian_dir}/copyright @ONLY)
  # changelog.gz, compressed as Debian does: maximum compression, no name or time stamp.
  configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/changelog.in ${zelmath_debian_dir}/changelog @ONLY)
  file(STRINGS ${zelmath_debian_dir}/changelog changelog_head LIMIT_COUNT 1)
  if(NOT changelog_head MATCHES "^zelmath \\(${PROJECT_VERSION}\\) ")
    message(WARNING "cmake/debian/changelog.in has no entry for version ${PROJECT_VERSION} at the top")
  endif()
  execute_process(COMMAND gzip -9nc ${zelmath_debian_dir}/changelog
    OUTPUT_FILE ${zelmath_debian_dir}/changelog.gz RESULT_VARIABLE gzip_failed)
  if(gzip_failed)
    message(FATAL_ERROR "gzip failed to compress ${zelmath_debian_dir}/changelog")
  endif()
endif()

# zelmath_package_docs(<component> <Debian package name>): the copyright file and changelog of
# that package (and its lintian overrides, cmake/debian/<package>.lintian-overrides, if any).
# Does nothing outside the Debian layout.
function(zelmath_package_docs component package)
  if(NOT ZELMATH_DEBIAN_LAYOUT OR NOT ZELMATH_INSTALL)
    return()
  endif()
  install(FILES ${PROJECT_BINARY_DIR}/debian/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  set(overrides ${PROJECT_SOURCE_DIR}/cmake/debian/${package}.lintian-overrides)
  if(EXISTS ${overrides})
    install(FILES ${overrides} RENAME ${package}
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component})
  endif()
endfunction()

if(ZELMATH_INSTALL AND NOT ZELMATH_DEBIAN_LAYOUT)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/zelmath COMPONENT runtime)
endif()

# ---- CPack settings of the Debian generator ----------------------------------------------------
set(CPACK_ZELMATH_DEBIAN_LAYOUT ${ZELMATH_DEBIAN_LAYOUT})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/debian/CPackProjectConfig.cmake)
# Stripped binaries. A build with debug information (-g, as in the `deb` preset) moves it into
# <package>-dbgsym packages, found by build ID and linked with .gnu_debuglink; a build without
# just strips.
string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type_upper)
if(" ${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${build_type_upper}} " MATCHES " -g(gdb)?[123]? ")
  set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
else()
  set(CPACK_STRIP_FILES ON)
endif()
# CPack's packages are finished as debhelper would make them (ldconfig trigger instead of
# scripts, md5sums and documentation of the -dbgsym packages): see the script.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/debian/FinishPackages.cmake)
