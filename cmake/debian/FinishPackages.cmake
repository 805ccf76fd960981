# CPACK_POST_BUILD_SCRIPTS of the Debian generator: brings CPack's output in line with what
# Debian's own tools (debhelper) produce.
#  - CPack writes postinst and postrm scripts that only run ldconfig; the runtime package
#    activates dpkg's ldconfig trigger instead (Debian policy 8.1.1), so they are removed.
#    Scripts with any other content are left alone.
#  - In the -dbgsym packages CPack lists absolute paths of its staging directory in md5sums and
#    installs the .debug files executable, and the packages have no copyright file: md5sums is
#    written anew, the .debug files become 0644 and /usr/share/doc/<package>-dbgsym is a link to
#    the documentation of <package>, as debhelper does it.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(generated_postinst "#!/bin/sh\n\nset -e\n\nif [ \"$1\" = \"configure\" ]; then\n\tldconfig\nfi\n")
set(generated_postrm "#!/bin/sh\n\nset -e\n\nif [ \"$1\" = \"remove\" ]; then\n\tldconfig\nfi\n")

function(run)
  execute_process(COMMAND ${ARGN} OUTPUT_QUIET RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "failed: ${ARGN}")
  endif()
endfunction()

foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  set(root ${CPACK_TOPLEVEL_DIRECTORY}/finish-package)
  file(REMOVE_RECURSE ${root})
  run(dpkg-deb --raw-extract ${deb} ${root})
  foreach(script IN ITEMS postinst postrm)
    if(EXISTS ${root}/DEBIAN/${script})
      file(READ ${root}/DEBIAN/${script} content)
      if(content STREQUAL generated_${script})
        file(REMOVE ${root}/DEBIAN/${script})
      endif()
    endif()
  endforeach()
  file(STRINGS ${root}/DEBIAN/control package REGEX "^Package: ")
  string(REGEX REPLACE "^Package: " "" package "${package}")
  if(package MATCHES "^(.+)-dbgsym$")
    set(debugged ${CMAKE_MATCH_1})
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/usr/*)
    set(md5sums "")
    foreach(file IN LISTS files)
      if(NOT IS_SYMLINK ${root}/${file})
        file(MD5 ${root}/${file} md5)
        string(APPEND md5sums "${md5}  ${file}\n")
        if(file MATCHES "\\.debug$")
          file(CHMOD ${root}/${file} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        endif()
      endif()
    endforeach()
    file(WRITE ${root}/DEBIAN/md5sums "${md5sums}")
    file(MAKE_DIRECTORY ${root}/usr/share/doc)
    file(CREATE_LINK ${debugged} ${root}/usr/share/doc/${package} SYMBOLIC)
  endif()
  run(dpkg-deb --root-owner-group -Zgzip --build ${root} ${deb})
  file(REMOVE_RECURSE ${root})
endforeach()
