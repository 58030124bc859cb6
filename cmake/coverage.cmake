# The coverage build (tools/coverage.sh): with VELMOR_COVERAGE=ON the product
# code is compiled with gcov instrumentation.  The product is the saver's own
# folders (app/ show/ config/ image/ jpeg/ win32/): the core library, the
# decoder, the host stand-ins, the BMP byte work and velmor.scr.  jpegtobmp is
# instrumented too, as it compiles the product's BMP writer
# (image/bmp_writer.cpp) into itself; the report counts only the product
# folders.  Tests and benchmarks stay uninstrumented, so header code counts
# only where product code runs it; they still link the gcov runtime through
# the libraries they use.  -O0 keeps each source line's branches apart (-Og
# folds some conditions into branch-free code, and the report would not show
# them).
option(VELMOR_COVERAGE "Instrument the product code for gcov (tools/coverage.sh)" OFF)

function(velmor_coverage_targets)
  if(NOT VELMOR_COVERAGE)
    return()
  endif()
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    message(FATAL_ERROR "VELMOR_COVERAGE needs GCC or Clang")
  endif()
  foreach(target ${VELMOR_PRODUCT_TARGETS} jpegtobmp)
    if(NOT TARGET ${target})
      continue()
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
      continue()  # header only: counted where product sources include it
    endif()
    # Several loader threads decode at once (one per monitor): their counts
    # are added atomically, or lost updates make the branch counts that gcov
    # derives from them inconsistent (even negative).
    target_compile_options(${target} PRIVATE --coverage -O0 -fprofile-update=atomic)
    if(type STREQUAL "STATIC_LIBRARY")
      # Whatever links the library links the gcov runtime too.
      target_link_options(${target} INTERFACE --coverage)
    else()
      target_link_options(${target} PRIVATE --coverage)
    endif()
  endforeach()
endfunction()
