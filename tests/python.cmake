# Sets `out` when the module's Python imports every one of `modules`; warns,
# naming the Debian `packages` and `what` goes unregistered, when it does not.
function(kelvaro_python_has out modules packages what)
  execute_process(COMMAND ${Python3_EXECUTABLE} -c "import ${modules}"
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    message(WARNING "${modules} missing for ${Python3_EXECUTABLE} (Debian: ${packages}): "
                    "${what} are not registered")
  endif()
  if(rc EQUAL 0)
    set(${out} ON PARENT_SCOPE)
  else()
    set(${out} OFF PARENT_SCOPE)
  endif()
endfunction()

# The Python module's tests (pytest) and the examples they run, one CTest test
# per file so that they run side by side. Each gets a temporary folder of its
# own in the build folder, and the module and kelvaro-batch of this build.
if(KELVARO_PYTHON)
  kelvaro_python_has(_kelvaro_pytest "pytest, numpy" "python3-pytest python3-numpy"
                     "the Python module's tests")
  if(_kelvaro_pytest)
    file(GLOB kelvaro_python_tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/python/test_*.py)
    foreach(test ${kelvaro_python_tests})
      get_filename_component(name ${test} NAME_WE)
      string(REGEX REPLACE "^test_" "" name ${name})
      add_test(NAME python_${name}
        COMMAND ${Python3_EXECUTABLE} -m pytest -q -p no:cacheprovider
                --basetemp=${CMAKE_CURRENT_BINARY_DIR}/python-tmp-${name} ${test})
      set_tests_properties(python_${name} PROPERTIES LABELS python TIMEOUT 300
        ENVIRONMENT "PYTHONPATH=${CMAKE_BINARY_DIR}/python;KELVARO_BATCH=$<TARGET_FILE:kelvaro-batch>;PYTHONDONTWRITEBYTECODE=1;DISPLAY=;MPLBACKEND=Agg")
    endforeach()
    # The examples' sweeps keep both cores busy (a pool of two, a cluster of
    # two workers): nothing else runs beside them, least of all the window's
    # timed key presses.
    set_tests_properties(python_examples PROPERTIES PROCESSORS 2)
    # The browser draws with SwiftShader on every core it finds.
    set_tests_properties(python_page PROPERTIES PROCESSORS 2)
  endif()
endif()

# The module as Python users install it, into a venv from outside the source
# tree: the wheel of python3 -m build, and pip install . (tests/install_test.sh).
# They share one CMake folder, so the second builds nothing.
if(KELVARO_PYTHON)
  kelvaro_python_has(_kelvaro_venv "ensurepip, venv, build" "python3-venv python3-build"
                     "the pip and wheel install tests")
  if(_kelvaro_venv)
    foreach(mode wheel pip)
      add_test(NAME install_${mode}
        COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/install_test.sh ${mode} ${PROJECT_SOURCE_DIR}
                ${CMAKE_CURRENT_BINARY_DIR}/install-${mode} ${CMAKE_CURRENT_BINARY_DIR}/pip-build)
      set_tests_properties(install_${mode} PROPERTIES LABELS "python;install" TIMEOUT 900
        PROCESSORS 2 RESOURCE_LOCK kelvaro_pip_build
        ENVIRONMENT "KELVARO_PYTHON_EXE=${Python3_EXECUTABLE};DISPLAY=")
    endforeach()
  endif()
endif()
