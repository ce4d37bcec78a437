// SDL events become the platform's messages: keys as WM_KEYDOWN/WM_KEYUP with virtual-key codes,
// the mouse as WM_MOUSEMOVE and button messages with MK_* flags and signed 16-bit client
// coordinates, window events as WM_CLOSE, WM_SIZE, WM_SETFOCUS/WM_KILLFOCUS and repaints.
#include "sdl_p.h"
#include "user_p.h"

#include <SDL.h>

using namespace platform::user;

namespace {

// Virtual key for an SDL key; `side` receives the left/right variant of shift, control and alt.
int virtualKey(const SDL_Keysym& key, int* side) {
  *side = 0;
  SDL_Keycode k = key.sym;
  if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
  if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
  if (k >= SDLK_F1 && k <= SDLK_F12) return VK_F1 + (k - SDLK_F1);
  if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (k - SDLK_KP_1);
  switch (k) {
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    case SDLK_LSHIFT: *side = VK_LSHIFT; return VK_SHIFT;
    case SDLK_RSHIFT: *side = VK_RSHIFT; return VK_SHIFT;
    case SDLK_LCTRL: *side = VK_LCONTROL; return VK_CONTROL;
    case SDLK_RCTRL: *side = VK_RCONTROL; return VK_CONTROL;
    case SDLK_LALT: *side = VK_LMENU; return VK_MENU;
    case SDLK_RALT: *side = VK_RMENU; return VK_MENU;
    default: return 0;
  }
}

WPARAM mouseFlags(Uint32 buttons) {
  WPARAM flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
  SDL_Keymod mod = SDL_GetModState();
  if (mod & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mod & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

LPARAM position(int x, int y) { return MAKELPARAM(static_cast<short>(x), static_cast<short>(y)); }

void post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, int side = 0) {
  MSG m{hwnd, message, wParam, lParam, GetTickCount(), {0, 0}};
  Post(m, side);
}

void translate(const SDL_Event& e) {
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      auto record = FindBySdlId(e.key.windowID);
      int side = 0;
      int vk = virtualKey(e.key.keysym, &side);
      if (!record || !vk) return;
      bool down = e.type == SDL_KEYDOWN;
      bool alt = (e.key.keysym.mod & KMOD_ALT) != 0 || vk == VK_MENU;
      // lParam: repeat count 1, scan code, previous-state bit 30, transition bit 31.
      LPARAM lParam = 1 | (static_cast<LPARAM>(e.key.keysym.scancode & 0xFF) << 16);
      if (!down || e.key.repeat) lParam |= 1L << 30;
      if (!down) lParam |= 1L << 31;
      UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
      post(record->hwnd, message, static_cast<WPARAM>(vk), lParam, side);
      return;
    }
    case SDL_MOUSEMOTION: {
      auto record = FindBySdlId(e.motion.windowID);
      if (!record) return;
      post(record->hwnd, WM_MOUSEMOVE, mouseFlags(e.motion.state), position(e.motion.x, e.motion.y));
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      auto record = FindBySdlId(e.button.windowID);
      if (!record) return;
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      UINT message;
      switch (e.button.button) {
        case SDL_BUTTON_LEFT: message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
        case SDL_BUTTON_RIGHT: message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
        case SDL_BUTTON_MIDDLE: message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
        default: return;
      }
      // The flags are those after the change, as on the platform (no MK_RBUTTON in WM_RBUTTONUP).
      post(record->hwnd, message, mouseFlags(SDL_GetMouseState(nullptr, nullptr)), position(e.button.x, e.button.y));
      return;
    }
    case SDL_MOUSEWHEEL: {
      auto record = FindBySdlId(e.wheel.windowID);
      if (!record) return;
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      WPARAM wParam = mouseFlags(SDL_GetMouseState(nullptr, nullptr)) |
                      (static_cast<WPARAM>(static_cast<WORD>(static_cast<short>(e.wheel.y * WHEEL_DELTA))) << 16);
      post(record->hwnd, WM_MOUSEWHEEL, wParam, position(x, y));
      return;
    }
    case SDL_WINDOWEVENT: {
      auto record = FindBySdlId(e.window.windowID);
      if (!record) return;
      HWND hwnd = record->hwnd;
      switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE: post(hwnd, WM_CLOSE, 0, 0); break;
        case SDL_WINDOWEVENT_EXPOSED: InvalidateRect(hwnd, nullptr, FALSE); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          post(hwnd, WM_SIZE, SIZE_RESTORED, position(e.window.data1, e.window.data2));
          break;
        case SDL_WINDOWEVENT_MINIMIZED: post(hwnd, WM_SIZE, SIZE_MINIMIZED, 0); break;
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED: {
          int w = 0, h = 0;
          SDL_GetWindowSize(record->sdl, &w, &h);
          post(hwnd, WM_SIZE, e.window.event == SDL_WINDOWEVENT_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED,
               position(w, h));
          break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED: post(hwnd, WM_SETFOCUS, 0, 0); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: post(hwnd, WM_KILLFOCUS, 0, 0); break;
        default: break;
      }
      return;
    }
    default:
      return;  // SDL_QUIT follows the last window's close, which WM_CLOSE already carries
  }
}

}  // namespace

namespace platform::sdl {

void PumpEvents() {
  if (!OnSdlThread()) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) translate(event);
}

}  // namespace platform::sdl
