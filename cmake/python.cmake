# The Python module (src/python): on where pybind11 and the Python headers are
# found, off in sanitizer builds (an instrumented module loads only into a
# Python started with the sanitizer's runtime preloaded).
if(KELVARO_SANITIZE STREQUAL "")
  set(_kelvaro_python_default ON)
else()
  set(_kelvaro_python_default OFF)
endif()
option(KELVARO_PYTHON "Build the Python module kelvaro (needs pybind11 and the Python headers)"
       ${_kelvaro_python_default})

if(KELVARO_PYTHON)
  # The interpreter: the first python3 on PATH that has NumPy, else Debian's
  # own, where scripts/deps installs NumPy, pytest and the rest. A PATH that
  # names another Python first (pyenv, a bare virtualenv) would otherwise get
  # a module built for an interpreter that cannot use it.
  if(NOT DEFINED Python3_EXECUTABLE)
    foreach(_candidate python3 /usr/bin/python3)
      execute_process(COMMAND ${_candidate} -c "import numpy, sys; print(sys.executable)"
                      RESULT_VARIABLE _kelvaro_rc OUTPUT_VARIABLE _kelvaro_python
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(_kelvaro_rc EQUAL 0 AND _kelvaro_python)
        set(Python3_EXECUTABLE ${_kelvaro_python} CACHE FILEPATH "The Python the module is for")
        break()
      endif()
    endforeach()
  endif()
  find_package(Python3 COMPONENTS Interpreter Development.Module)
  if(Python3_FOUND)
    find_package(pybind11 CONFIG QUIET)
  endif()
  if(NOT Python3_FOUND OR NOT pybind11_FOUND)
    message(WARNING "pybind11 or the Python headers not found (Debian: pybind11-dev python3-dev): "
                    "the Python module is not built")
    set(KELVARO_PYTHON OFF)
  else()
    # The libraries below the module go into a shared object, so they are
    # built position-independent. For the programs that costs nothing
    # measurable: no symbol of the libraries can be interposed (the module
    # exports none of them), so the compiler inlines within a file as it does
    # without -fPIC, and the headers of the simulation's data declare it
    # hidden, so that code reaches it directly rather than through the GOT
    # (without that, the frame pass at 200,000 cells was 5 to 9% slower).
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    include(CheckCXXCompilerFlag)
    check_cxx_compiler_flag(-fno-semantic-interposition KELVARO_HAS_NO_INTERPOSITION)
    if(KELVARO_HAS_NO_INTERPOSITION)
      add_compile_options(-fno-semantic-interposition)
    endif()
  endif()
endif()
