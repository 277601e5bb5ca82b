# Every target of the project builds with -Wall -Wextra. Warnings are errors only where the
# compiler is known (RQ27_WERROR: the presets and CI), so that a plain build on
# a compiler that warns about something new still builds.
add_compile_options(-Wall -Wextra)
if(RQ27_WERROR)
  add_compile_options(-Werror)
endif()
