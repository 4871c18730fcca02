# Run by CPack on each package's staging folder before it is packed: what a
# Debian package carries beyond a plain install.  Manual pages are
# compressed; /usr/share/doc/<package> gets copyright and changelog.gz (the
# changelog of a native package).
set(date "Mon, 07 Dec 2026 00:00:00 +0000")  # the release of this version
file(GLOB staged LIST_DIRECTORIES true ${CPACK_TEMPORARY_DIRECTORY}/*)
foreach(root IN LISTS staged)
  if(NOT IS_DIRECTORY ${root})
    continue()
  endif()
  get_filename_component(package ${root} NAME)
  set(usr ${root}${CPACK_PACKAGING_INSTALL_PREFIX})

  file(GLOB pages ${usr}/share/man/man*/*.[0-9])
  foreach(page IN LISTS pages)
    execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE status)
    if(status)
      message(FATAL_ERROR "cannot compress ${page}")
    endif()
  endforeach()

  set(doc ${usr}/share/doc/${package})
  file(MAKE_DIRECTORY ${doc})
  configure_file(${CPACK_VISIONACCESS_PACKAGING_DIR}/copyright ${doc}/copyright COPYONLY)
  file(WRITE ${doc}/changelog
       "${package} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${CPACK_PACKAGE_VERSION}.\n\n"
       " -- ${CPACK_DEBIAN_PACKAGE_MAINTAINER}  ${date}\n")
  execute_process(COMMAND gzip -9nf ${doc}/changelog RESULT_VARIABLE status)
  if(status)
    message(FATAL_ERROR "cannot compress ${doc}/changelog")
  endif()
endforeach()
