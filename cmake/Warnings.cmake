# Warnings on everywhere; the tree builds without any. No fast-math: the arithmetic is defined
# to the bit.
add_compile_options(-Wall -Wextra)
if(WIN32)
  # The .8bf and the Windows test programs carry their runtime statically so that they need
  # only system DLLs.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
