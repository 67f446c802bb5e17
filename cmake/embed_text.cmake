# Turns text files into one C++ source of NUL-terminated char arrays, so that a
# program carries them: cmake -DOUT=parts.cpp -DNAMES=a|b -DFILES=x|y -P embed_text.cmake
# Every byte is written as an escape, so any text survives as it is.
string(REPLACE "|" ";" names "${NAMES}")
string(REPLACE "|" ";" files "${FILES}")
set(body "// Made at build time by embed_text.cmake; edit the files it names.\n")
foreach(name file IN ZIP_LISTS names files)
  get_filename_component(base "${file}" NAME)
  file(READ "${file}" hex HEX)
  string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
  string(APPEND body "// ${base}\nextern const char ${name}[] = \"${escaped}\";\n")
endforeach()
file(WRITE "${OUT}" "${body}")
