// JPEG decoding and encoding over libjpeg. libjpeg reports fatal errors through its error manager's
// exit routine, which must not return: ours jumps back to the call that started the work, where the
// error becomes an exception once libjpeg's state is released. Between the jump and its target no
// C++ object with a destructor is alive.
#include "ui/jpegformat.h"

#include "core/string.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

extern "C" {
#include <jpeglib.h>
#include <jerror.h>
}

namespace ui {
namespace {

constexpr unsigned long kMaxPixels = 1ul << 26;
constexpr int kTooLarge = -1;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    int code;
};

extern "C" void ExitWithJump(j_common_ptr info)
{
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    err->code = err->pub.msg_code;
    std::longjmp(err->jump, 1);
}

extern "C" void IgnoreMessage(j_common_ptr) {}

// Our error manager on the codec's common part: no messages printed, fatal errors jump back.
void InstallErrors(jpeg_common_struct* codec, ErrorManager& err)
{
    codec->err = jpeg_std_error(&err.pub);
    err.pub.error_exit = ExitWithJump;
    err.pub.output_message = IgnoreMessage;
    err.code = 0;
}

[[noreturn]] void Raise(int code)
{
    throw EInvalidGraphic(u"JPEG error #" + core::IntToStr(code));
}

// Decodes into rows that the caller owns; returns 0 or the error code (kTooLarge for a picture over
// the limit). Only plain data lives in this frame.
int DecodeInto(const unsigned char* data, unsigned long size, PixelBuffer* out)
{
    jpeg_decompress_struct info;
    ErrorManager err;
    InstallErrors(reinterpret_cast<jpeg_common_struct*>(&info), err);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return err.code == 0 ? 1 : err.code;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, const_cast<unsigned char*>(data), size);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_width == 0 || info.output_height == 0 ||
        (unsigned long)info.output_width * info.output_height > kMaxPixels || info.output_width > 65536 ||
        info.output_height > 65536 || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return kTooLarge;
    }
    *out = PixelBuffer(int(info.output_width), int(info.output_height), pf24bit);
    PixelView view = out->View();
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = view.Row(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
        // libjpeg gives R, G, B; the pixels are B, G, R.
        for (JDIMENSION x = 0; x < info.output_width; ++x)
            std::swap(row[x * 3], row[x * 3 + 2]);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return 0;
}

int EncodeInto(const PixelView* pixels, int quality, unsigned char** buffer, unsigned long* size, JSAMPLE* row)
{
    jpeg_compress_struct info;
    ErrorManager err;
    InstallErrors(reinterpret_cast<jpeg_common_struct*>(&info), err);
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&info);
        return err.code == 0 ? 1 : err.code;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, buffer, size);
    info.image_width = JDIMENSION(pixels->Width());
    info.image_height = JDIMENSION(pixels->Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const uint8_t* source = pixels->Row(int(info.next_scanline));
        for (int x = 0; x < pixels->Width(); ++x) {
            row[x * 3] = source[x * 3 + 2];
            row[x * 3 + 1] = source[x * 3 + 1];
            row[x * 3 + 2] = source[x * 3];
        }
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

} // namespace

PixelBuffer DecodeJpeg(const std::string& bytes)
{
    PixelBuffer out;
    const int code = DecodeInto(reinterpret_cast<const unsigned char*>(bytes.data()), (unsigned long)bytes.size(), &out);
    if (code == kTooLarge)
        throw EInvalidGraphic(u"JPEG error #" + core::IntToStr(JERR_IMAGE_TOO_BIG));
    if (code != 0)
        Raise(code);
    return out;
}

std::string EncodeJpeg(const PixelView& pixels, int quality)
{
    if (!pixels.Valid() || pixels.Format() != pf24bit)
        throw EInvalidGraphic(u"JPEG error #" + core::IntToStr(JERR_EMPTY_IMAGE));
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<JSAMPLE> row(size_t(pixels.Width()) * 3);
    const int code = EncodeInto(&pixels, quality, &buffer, &size, row.data());
    std::string out;
    if (buffer) {
        if (code == 0)
            out.assign(reinterpret_cast<const char*>(buffer), size);
        std::free(buffer);
    }
    if (code != 0)
        Raise(code);
    return out;
}

} // namespace ui
