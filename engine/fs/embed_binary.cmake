# Turns a binary file into a C++ source holding it as a byte array:
#   cmake -DINPUT=in.bin -DOUTPUT=out.cpp -DSYMBOL=name -DSIZE=n -P embed_binary.cmake
# SIZE is the exact byte count the program expects; any other size fails the build.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
if(NOT byte_count EQUAL SIZE)
  message(FATAL_ERROR "${INPUT} holds ${byte_count} bytes, ${SIZE} expected")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
  "// Generated from ${INPUT}; do not edit.\n"
  "extern const unsigned char ${SYMBOL}[${SIZE}];\n"
  "const unsigned char ${SYMBOL}[${SIZE}] = {\n    ${bytes}\n};\n")
