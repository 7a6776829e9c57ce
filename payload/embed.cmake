# Turns one file into a C source holding `const unsigned char NAME[]` and
# `const unsigned int NAME_size`. Run as: cmake -DINPUT=… -DOUTPUT=… -DNAME=… -P embed.cmake
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Line breaks every 32 bytes keep the generated file readable for a compiler error.
string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
"/* Generated from ${INPUT}; do not edit. */\n"
"extern const unsigned char ${NAME}[];\n"
"extern const unsigned int ${NAME}_size;\n"
"const unsigned char ${NAME}[${size} + 1] = {\n${bytes}0x00 };\n"
"const unsigned int ${NAME}_size = ${size};\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
