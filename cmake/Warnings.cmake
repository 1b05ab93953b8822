# Warnings on everywhere; the tree builds without any. No fast-math: the arithmetic is defined
# to the bit.
add_compile_options(-Wall -Wextra)
# CI builds (check.sh) turn warnings into errors; a local build only shows them.
option(QUENARA_WERROR "Treat compiler warnings as errors" OFF)
if(QUENARA_WERROR)
  add_compile_options(-Werror)
endif()
# The ray filters' AVX loops hand AVX vectors between helpers that are always inlined into
# them; GCC's note that such values are passed differently without AVX does not apply.
add_compile_options(-Wno-psabi)
if(WIN32)
  # The .8bf and the Windows test programs carry their runtime statically so that they need
  # only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
