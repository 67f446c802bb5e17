# Hardening: fault injection and bounded work (label unit), allocation counting
# (plain builds only: it replaces malloc, which the sanitizers intercept), and
# the libFuzzer targets of the three file loaders (a configuration of their own).

option(KELVARO_FUZZ "Build the libFuzzer targets fuzz_genome, fuzz_cells and fuzz_checkpoint (clang)" OFF)

if(NOT KELVARO_SANITIZE STREQUAL "thread")
  add_executable(kelvaro_hardening_tests test_hardening.cpp)
  target_link_libraries(kelvaro_hardening_tests PRIVATE
    kelvaro_batch_lib kelvaro_ui GTest::gtest GTest::gtest_main)
  gtest_discover_tests(kelvaro_hardening_tests DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS unit TIMEOUT 900)
endif()

if(KELVARO_SANITIZE STREQUAL "" AND NOT KELVARO_FUZZ)
  add_executable(kelvaro_no_alloc_tests test_no_alloc.cpp)
  target_link_libraries(kelvaro_no_alloc_tests PRIVATE kelvaro_ui GTest::gtest GTest::gtest_main)
  gtest_discover_tests(kelvaro_no_alloc_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endif()

if(KELVARO_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KELVARO_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # In an AddressSanitizer build (scripts/test's) the sanitizers are on
  # everywhere already and the unit tests share the build; alone, the fuzz
  # targets bring their own.
  if(KELVARO_SANITIZE STREQUAL "address")
    set(kelvaro_fuzz_flags "")
  elseif(KELVARO_SANITIZE STREQUAL "")
    set(kelvaro_fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=undefined
                           -fno-omit-frame-pointer -g)
  else()
    message(FATAL_ERROR "KELVARO_FUZZ goes with KELVARO_SANITIZE=address or none")
  endif()
  # The core carries the coverage counters too, so that the fuzzer is guided by
  # the loaders' branches; everything that links it gets the sanitizer runtimes.
  foreach(layer kelvaro_sim kelvaro_app kelvaro_view kelvaro_ui)
    target_compile_options(${layer} PRIVATE -fsanitize=fuzzer-no-link ${kelvaro_fuzz_flags})
    target_link_options(${layer} INTERFACE -fsanitize=address,undefined)
  endforeach()
  foreach(loader genome cells checkpoint)
    add_executable(fuzz_${loader} fuzz/fuzz_${loader}.cpp)
    target_include_directories(fuzz_${loader} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_options(fuzz_${loader} PRIVATE -fsanitize=fuzzer ${kelvaro_fuzz_flags})
    target_link_options(fuzz_${loader} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(fuzz_${loader} PRIVATE kelvaro_ui)
  endforeach()
endif()
