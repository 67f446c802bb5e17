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
# pip's build (pyproject.toml) stops with what is missing rather than leave the module out.
option(KELVARO_PYTHON_REQUIRED "Stop when the Python module cannot be built" OFF)

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
  set(_kelvaro_python_missing "")
  if(NOT Python3_FOUND)
    set(_kelvaro_python_missing "the headers of ${Python3_EXECUTABLE} (Debian: python3-dev)")
  else()
    find_package(pybind11 CONFIG QUIET)
    if(NOT pybind11_FOUND)
      string(CONCAT _kelvaro_python_missing "pybind11 (Debian: pybind11-dev; or pip install "
             "pybind11 in the environment of ${Python3_EXECUTABLE})")
    elseif(pybind11_VERSION VERSION_LESS 2.11 AND Python3_VERSION VERSION_GREATER_EQUAL 3.12)
      # pybind11 2.10 (Debian 12's) knows Pythons up to 3.11.
      string(CONCAT _kelvaro_python_missing "a pybind11 for Python ${Python3_VERSION}: "
             "${pybind11_VERSION} at ${pybind11_DIR} is too old "
             "(pip install 'pybind11>=2.11' in the environment of ${Python3_EXECUTABLE})")
    endif()
  endif()
  if(_kelvaro_python_missing AND KELVARO_PYTHON_REQUIRED)
    message(FATAL_ERROR "The Python module cannot be built: missing ${_kelvaro_python_missing}")
  elseif(_kelvaro_python_missing)
    message(WARNING "Missing ${_kelvaro_python_missing}: the Python module is not built")
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
