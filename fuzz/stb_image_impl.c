/* stb_image compiled into the image target, so that the fuzzer sees its branches and the
 * sanitizers check its reads; the target's definitions win over the system's shared library. */
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
