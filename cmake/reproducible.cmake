# RQ27_REPRODUCIBLE (the release): the same sources give the same executable in whatever
# folder they are built. No absolute source or build path reaches the objects (__FILE__,
# debug information), and the PE header of a Windows executable carries no link time.
if(RQ27_REPRODUCIBLE)
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
                      $<$<COMPILE_LANGUAGE:CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)
  if(WIN32)
    add_link_options(LINKER:--no-insert-timestamp)
  endif()
endif()
