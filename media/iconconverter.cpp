#include "media/iconconverter.h"

#include "core/filestore.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace ringvale {

namespace {

struct Picture {
    unsigned width = 0;
    unsigned height = 0;
    std::vector<unsigned char> rgb; // 3 bytes a pixel
};

struct PngSource {
    const std::string* bytes;
    std::size_t offset = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->offset + length > source->bytes->size())
        png_error(png, "truncated");
    std::memcpy(out, source->bytes->data() + source->offset, length);
    source->offset += length;
}

void quietWarning(png_structp, png_const_charp) {}

// Nothing is printed; the read ends at the jump point.
[[noreturn]] void quietError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

bool decodePng(const std::string& bytes, Picture& picture) {
    if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    PngSource source{&bytes};
    // Declared before the jump point, so a libpng error never skips their destructors.
    std::vector<unsigned char> rgba;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &source, readFromMemory);
    png_set_user_limits(png, 4096, 4096); // an icon, not a poster
    png_read_info(png, info);
    // Everything becomes 8-bit RGBA.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (png_get_rowbytes(png, info) != width * 4)
        png_error(png, "unexpected layout");
    rgba.resize(static_cast<std::size_t>(width) * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = rgba.data() + static_cast<std::size_t>(y) * width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    picture.width = width;
    picture.height = height;
    picture.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (std::size_t i = 0, n = static_cast<std::size_t>(width) * height; i < n; ++i) {
        const unsigned alpha = rgba[i * 4 + 3];
        for (int c = 0; c < 3; ++c)
            picture.rgb[i * 3 + c] =
                static_cast<unsigned char>((rgba[i * 4 + c] * alpha + 255 * (255 - alpha)) / 255);
    }
    return width > 0 && height > 0;
}

// libjpeg's own error handler ends the process; this one jumps back instead.
struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void jpegFail(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegQuiet(j_common_ptr, int) {}

bool encodeJpeg(const Picture& picture, std::string& out) {
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFail;
    error.manager.emit_message = jpegQuiet;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = picture.width;
    info.image_height = picture.height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 75, TRUE);
    info.optimize_coding = TRUE;
    info.smoothing_factor = 0;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(
            picture.rgb.data() + static_cast<std::size_t>(info.next_scanline) * picture.width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    out.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return true;
}

} // namespace

bool convertPngToJpeg(const std::filesystem::path& source, const std::filesystem::path& target) {
    const FileRead file = readWholeFile(source);
    if (!file.ok())
        return false;
    Picture picture;
    std::string jpeg;
    return decodePng(file.bytes, picture) && encodeJpeg(picture, jpeg) && writeFileAtomic(target, jpeg);
}

} // namespace ringvale
