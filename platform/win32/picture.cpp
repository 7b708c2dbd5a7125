#include "platform/win32/picture.h"
#include "platform/win32/system_library.h"

#include <algorithm>

namespace setup::win32 {
namespace {

// Larger files are no picture this program ships; refusing them keeps a wrong file from filling memory.
constexpr LONGLONG largest_picture_file = 32 * 1024 * 1024;

// Owns a memory device context and puts back what was selected into it.
class memory_dc {
 public:
  memory_dc() : dc_(CreateCompatibleDC(nullptr)) {}
  ~memory_dc() {
    if (dc_ == nullptr) return;
    if (previous_ != nullptr) SelectObject(dc_, previous_);
    DeleteDC(dc_);
  }
  memory_dc(const memory_dc&) = delete;
  memory_dc& operator=(const memory_dc&) = delete;

  HDC get() const { return dc_; }
  void select(HGDIOBJ object) { previous_ = SelectObject(dc_, object); }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

// The whole file in movable global memory, which is what a stream on global memory takes over.
HGLOBAL read_into_global(std::string_view path, DWORD& size) {
  unique_handle file(CreateFileW(wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return nullptr;
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file.get(), &length) || length.QuadPart <= 0 || length.QuadPart > largest_picture_file) {
    return nullptr;
  }
  size = static_cast<DWORD>(length.QuadPart);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) return nullptr;
  void* bytes = GlobalLock(memory);
  DWORD got = 0;
  const bool read = bytes != nullptr && ReadFile(file.get(), bytes, size, &got, nullptr) && got == size;
  if (bytes != nullptr) GlobalUnlock(memory);
  if (!read) {
    GlobalFree(memory);
    return nullptr;
  }
  return memory;
}

}  // namespace

picture::~picture() {
  decoded_->Release();
}

std::unique_ptr<picture> picture::load(std::string_view path) {
  if (path.empty()) return nullptr;
  DWORD size = 0;
  HGLOBAL memory = read_into_global(path, size);
  if (memory == nullptr) return nullptr;
  const auto create_stream = SETUP_SYSTEM_FUNCTION(L"ole32.dll", CreateStreamOnHGlobal);
  const auto load_picture = SETUP_SYSTEM_FUNCTION(L"oleaut32.dll", OleLoadPicture);
  IStream* stream = nullptr;
  if (create_stream == nullptr || load_picture == nullptr || FAILED(create_stream(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  IPicture* decoded = nullptr;
  const HRESULT loaded =
      load_picture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(&decoded));
  stream->Release();
  if (FAILED(loaded) || decoded == nullptr) return nullptr;
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  if (FAILED(decoded->get_Width(&width)) || FAILED(decoded->get_Height(&height)) || width <= 0 ||
      height <= 0) {
    decoded->Release();
    return nullptr;
  }
  return std::unique_ptr<picture>(new picture(decoded));
}

unique_bitmap picture::render(int width, int height, COLORREF background, bool keep_aspect) const {
  if (width <= 0 || height <= 0) return {};
  OLE_XSIZE_HIMETRIC source_width = 0;
  OLE_YSIZE_HIMETRIC source_height = 0;
  decoded_->get_Width(&source_width);
  decoded_->get_Height(&source_height);

  // 24 bits a pixel: no alpha channel, so a static control shows this bitmap itself instead of a copy.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  unique_bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap) return {};

  memory_dc dc;
  if (dc.get() == nullptr) return {};
  dc.select(bitmap.get());
  unique_brush fill(CreateSolidBrush(background));
  const RECT all{0, 0, width, height};
  FillRect(dc.get(), &all, fill.get());

  int x = 0;
  int y = 0;
  int shown_width = width;
  int shown_height = height;
  if (keep_aspect) {
    // Fit inside: the side that limits the scale fills its dimension.
    const double scale =
        std::min(static_cast<double>(width) / source_width, static_cast<double>(height) / source_height);
    shown_width = std::max(1, static_cast<int>(source_width * scale + 0.5));
    shown_height = std::max(1, static_cast<int>(source_height * scale + 0.5));
    x = (width - shown_width) / 2;
    y = (height - shown_height) / 2;
  }
  // The source rectangle runs bottom-up in HIMETRIC units.
  if (FAILED(decoded_->Render(dc.get(), x, y, shown_width, shown_height, 0, source_height, source_width,
                              -source_height, nullptr))) {
    return {};
  }
  return bitmap;
}

}  // namespace setup::win32
