// One payload embedded in the program image: the build turns a file into a
// constant byte array and a companion 32-bit length (see payload/embed.cmake).
#pragma once

struct PayloadBlob {
    const unsigned char* bytes;
    unsigned int size;
};

#define DECLARE_PAYLOAD(name) \
    extern "C" const unsigned char name[]; \
    extern "C" const unsigned int name##_size;

#define PAYLOAD_BLOB(name) PayloadBlob{ name, name##_size }
