# kelvaro-batch: its library in-process, and the program itself for the exit
# statuses a script sees.
if(NOT KELVARO_SANITIZE STREQUAL "thread")
  add_executable(kelvaro_batch_tests test_batch.cpp test_batch_checkpoint.cpp
    test_batch_history.cpp)
  target_link_libraries(kelvaro_batch_tests PRIVATE
    kelvaro_batch_lib kelvaro_ui GTest::gtest GTest::gtest_main)
  target_compile_definitions(kelvaro_batch_tests PRIVATE
    KELVARO_BATCH_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/batch"
    KELVARO_BATCH_BINARY="$<TARGET_FILE:kelvaro-batch>")
  add_dependencies(kelvaro_batch_tests kelvaro-batch)
  gtest_discover_tests(kelvaro_batch_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endif()

# Runs kelvaro-batch with the given arguments and passes when it exits with `status`.
function(kelvaro_batch_exit_test name label status)
  add_test(NAME ${name}
    COMMAND sh -c "\"$0\" \"$@\" >/dev/null 2>&1; test $? -eq ${status}"
            $<TARGET_FILE:kelvaro-batch> ${ARGN}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES LABELS ${label})
endfunction()

set(_batch_data ${CMAKE_CURRENT_SOURCE_DIR}/data/batch)
kelvaro_batch_exit_test(batch_exit_help unit 0 --help)
kelvaro_batch_exit_test(batch_exit_run unit 0
  --genome ${_batch_data}/genome.vdna --cells ${_batch_data}/colony.txt --frames 20
  --division --seed 1 --out batch-run.txt)
kelvaro_batch_exit_test(batch_exit_bad_value unit 2 --frames ten)
kelvaro_batch_exit_test(batch_exit_unknown_option unit 2 --colour)
kelvaro_batch_exit_test(batch_exit_missing_genome unit 2 --genome ${_batch_data}/absent.vdna)
kelvaro_batch_exit_test(batch_exit_unwritable_out unit 1 --frames 1 --out absent-dir/o.txt)
kelvaro_batch_exit_test(batch_exit_unwritable_html unit 1 --frames 1 --html absent-dir/p.html
  --html-every 1)
# The live worker against the frame pass in the real program; the
# ThreadSanitizer build runs it and fails on any race.
kelvaro_batch_exit_test(batch_exit_threaded threads 0
  --genome ${_batch_data}/genome.vdna --cells ${_batch_data}/colony.txt --frames 200
  --division --gravity --divide-all-at 50,100 --threaded --out batch-threaded.txt)
# Reloads park and resume the live worker between frames; under ThreadSanitizer.
kelvaro_batch_exit_test(batch_exit_threaded_reload threads 0
  --genome ${_batch_data}/genome.vdna --cells ${_batch_data}/colony.txt --frames 120
  --division --gravity --divide-all-at 10,50,90 --reload-every 40 --threaded
  --out batch-threaded-reload.txt)
# Checkpoints of a threaded run park the live worker while the state is read;
# under ThreadSanitizer.
kelvaro_batch_exit_test(batch_exit_threaded_checkpoint threads 0
  --genome ${_batch_data}/genome.vdna --cells ${_batch_data}/colony.txt --frames 60
  --division --gravity --divide-all-at 10,50 --threaded --checkpoint-every 20
  --checkpoint-dir batch-threaded-checkpoints --checkpoint batch-threaded.kck)
