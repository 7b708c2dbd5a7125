// Pictures for the window: picture files decoded by the system (GIF, BMP, JPEG), and the GDI handles
// that hold what is drawn from them.
#pragma once

#include <memory>
#include <string_view>

#include "platform/win32/win32_api.h"

namespace setup::win32 {

// Owns a GDI object (bitmap, font, brush) and deletes it when it goes.
template <typename handle>
class unique_gdi {
 public:
  unique_gdi() = default;
  explicit unique_gdi(handle object) : object_(object) {}
  ~unique_gdi() { reset(); }
  unique_gdi(unique_gdi&& other) noexcept : object_(other.release()) {}
  unique_gdi& operator=(unique_gdi&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  unique_gdi(const unique_gdi&) = delete;
  unique_gdi& operator=(const unique_gdi&) = delete;

  handle get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  handle release() {
    handle h = object_;
    object_ = nullptr;
    return h;
  }
  void reset(handle object = nullptr) {
    if (object_ != nullptr) DeleteObject(object_);
    object_ = object;
  }

 private:
  handle object_ = nullptr;
};

using unique_bitmap = unique_gdi<HBITMAP>;
using unique_font = unique_gdi<HFONT>;
using unique_brush = unique_gdi<HBRUSH>;

// A decoded picture file. Needs COM initialised on the calling thread (the system's decoders are COM
// objects).
class picture {
 public:
  ~picture();
  picture(const picture&) = delete;
  picture& operator=(const picture&) = delete;

  // The picture in the file, or null when the file is missing, empty, too large or not a picture
  // the system can decode.
  static std::unique_ptr<picture> load(std::string_view path);

  // A bitmap of exactly width x height pixels showing the picture over `background` (which shows
  // through transparent parts). `keep_aspect`: the picture is fitted inside and centred; otherwise it
  // is stretched to fill. Null when the size is empty or drawing fails.
  unique_bitmap render(int width, int height, COLORREF background, bool keep_aspect) const;

 private:
  explicit picture(IPicture* decoded) : decoded_(decoded) {}

  IPicture* decoded_;
};

}  // namespace setup::win32
