// Private: the resource tables behind instance handles (dialog templates and icons).
#pragma once

#include <platform/win32.h>

namespace platform::resources {

const DialogResource* FindDialog(HINSTANCE instance, LPCSTR name);
const IconResource* FindIcon(HICON icon);

}  // namespace platform::resources
