// png_file.cpp -- render_png_write: a picture as a PNG file, through libpng.
#include "render.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

bool render_png_write(const std::string &path, const RenderImage &image, std::string *error)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                     PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; y++)
            png_write_row(png, &image.rgba[size_t(y) * image.width * 4]);
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0)
        ok = false;
    if (!ok)
        *error = "cannot write \"" + path + "\" as PNG";
    return ok;
}
