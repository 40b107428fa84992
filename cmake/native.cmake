# Native tree: platform-free code, the simulator, unit tests with sanitizers, benchmarks.
option(TRX_SANITIZE "Build the native tree with AddressSanitizer and UBSan" ON)
set(TRX_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
find_package(GTest REQUIRED)
find_package(Threads REQUIRED)

# Benchmarks are built without sanitizers so that their figures mean something.
function(trx_sanitize target)
  if(TRX_SANITIZE)
    target_compile_options(${target} PRIVATE ${TRX_SANITIZER_FLAGS})
    target_link_options(${target} PRIVATE ${TRX_SANITIZER_FLAGS})
  endif()
endfunction()
