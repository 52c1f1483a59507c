// png_file.cpp -- render_png_write: a picture as a PNG file, through libpng,
// written as a save is: whole or not at all (replace_file.h).
#include "render.h"

#include "replace_file.h"

#include <png.h>

#include <csetjmp>

// libpng's output: the new file. A write that fails ends the picture.
static void png_out(png_structp png, png_bytep data, png_size_t size)
{
    if (!static_cast<ReplacementFile *>(png_get_io_ptr(png))->write(reinterpret_cast<const char *>(data), size))
        png_error(png, "write failed");
}

static void png_flush(png_structp) {}

// Writes the whole picture into file; false when libpng gave up.
static bool png_fill(ReplacementFile *file, const RenderImage &image)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_set_write_fn(png, file, png_out, png_flush);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                     PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; y++)
            png_write_row(png, &image.rgba[size_t(y) * image.width * 4]);
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return ok;
}

bool render_png_write(const std::string &path, const RenderImage &image, std::string *error)
{
    std::string why;
    if (zirka_replace_file(path, [&](ReplacementFile *file) { return png_fill(file, image); }, &why))
        return true;
    *error = "cannot write \"" + path + "\": " + (why.empty() ? "libpng could not make the picture" : why);
    return false;
}
