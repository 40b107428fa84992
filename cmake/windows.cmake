# Windows tree: everything that ends up in TRXDESK.exe, and its tests run under Wine.
add_compile_options(-fexec-charset=cp1252)
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_link_options(-static -static-libgcc -static-libstdc++)

# GoogleTest from Debian's sources, built with MinGW.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
if(NOT TARGET GTest::gtest_main)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
# GoogleTest's own sources are not ours to hold to -Werror; -O1 builds it in half the time
# of -O3, and its tests link as fast (unoptimised, every test would link for seconds).
foreach(t gtest gtest_main)
  target_compile_options(${t} PRIVATE -Wno-error -O1)
endforeach()

function(trx_sanitize target)
endfunction()

# The loopback ports the control port's tests and benchmark listen on: a range per tree, so
# that both trees' tests can run at the same time.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(TRX_TEST_TCP_BASE 47130)
else()
  set(TRX_TEST_TCP_BASE 47030)
endif()

# Every Windows test exe runs under Wine through this wrapper, in the tree's own prefix.
set(TRX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/wine-exec.sh ${TRX_WINEPREFIX})

# Wine runs an i686 exe in a 32-bit Linux process, which preloads only a 32-bit library:
# the i686 tree builds its pty shim with the i686 Linux C compiler.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  find_program(TRX_HOST_CC32 NAMES i686-linux-gnu-gcc REQUIRED)
  set(TRX_HOST_CC ${TRX_HOST_CC32} CACHE FILEPATH "C compiler of the pty shim" FORCE)
endif()

# The simulator is a native program: the Windows tree uses the one the native tree built.
set(TRX_TRXSIM ${CMAKE_BINARY_DIR}/../native/tools/trxsim/trxsim
    CACHE FILEPATH "trxsim built by the native tree")
