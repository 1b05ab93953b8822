# The address build runs at -O1 (after the build type's level on the command line, so it wins):
# fast enough to run every test, close enough to the shipped code to see its faults.
if(QUENARA_SANITIZE STREQUAL "address")
  add_compile_options(-O1 -fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(QUENARA_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(QUENARA_SANITIZE STREQUAL "fuzzer")
  # The fuzz tree (clang): every object carries libFuzzer's coverage hooks and ASan+UBSan; only
  # the fuzz programs link libFuzzer's main (tests/fuzz). -O1 as in the address build: it
  # compiles in about half the time of -O2.
  add_compile_options(-O1 -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(QUENARA_SANITIZE)
  message(FATAL_ERROR "QUENARA_SANITIZE must be empty, 'address', 'thread' or 'fuzzer'")
endif()
