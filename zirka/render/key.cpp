// key.cpp -- render_key: the key to the face colours in a picture's lower
// right corner, "FRONT" and "BACK" each after a square of its colour, in
// letters of 3 x 5 cells, each cell 2 x 2 pixels.
#include "render.h"

#include <cstring>

// A letter's rows, top first, three cells each, the left one the high bit.
static const char letters[] = "FRONTBACK";
static const unsigned char glyphs[][5] = {
    {7, 4, 6, 4, 4}, {6, 5, 6, 5, 5}, {7, 5, 5, 5, 7}, {6, 5, 5, 5, 5}, {7, 2, 2, 2, 2},
    {6, 5, 6, 5, 6}, {2, 5, 7, 5, 5}, {3, 4, 4, 4, 3}, {5, 5, 6, 5, 5},
};

static void fill(RenderImage *image, int x, int y, int w, int h, const unsigned char rgb[3])
{
    for (int row = y; row < y + h; row++)
        for (int col = x; col < x + w; col++)
            std::memcpy(&image->rgba[(size_t(row) * image->width + col) * 4], rgb, 3);
}

void render_key(RenderImage *image)
{
    if (image->width < 200 || image->height < 100)
        return;
    static const unsigned char colours[2][3] = {{124, 153, 191}, {193, 76, 61}}, ink[3] = {40, 45, 55};
    static const char *const words[2] = {"FRONT", "BACK"};
    int x = image->width - 112, y = image->height - 16;
    for (int w = 0; w < 2; w++) {
        fill(image, x, y, 10, 10, colours[w]);
        x += 14;
        for (const char *c = words[w]; *c; c++, x += 8)
            for (int row = 0; row < 5; row++)
                for (int cell = 0; cell < 3; cell++)
                    if (glyphs[std::strchr(letters, *c) - letters][row] >> (2 - cell) & 1)
                        fill(image, x + 2 * cell, y + 2 * row, 2, 2, ink);
        x += 6;
    }
}
