/*
 * zirka_obj.h -- the stand-in host's Wavefront OBJ files: reading them into
 * new objects and writing objects out. A client of the core: it makes
 * objects through the host's interface and reads them through zirka_core.h.
 */
#ifndef ZIRKA_OBJ_H
#define ZIRKA_OBJ_H

#include "zirka_core.h"

#include <string>
#include <vector>

// Reads an OBJ file by the rules of the README ("Reading OBJ files"). Each
// "o NAME" starts an object holding the vertices declared after it;
// statements before the first "o" form an object named after the file's
// root name; an object without vertices is not made. Elements use global
// 1-based (or negative, relative) indices and may only name vertices of
// their own object. "f" makes a polygon, "l" an open line, an "l" whose
// last index repeats its first a closed line (repeat dropped); an object of
// two-point open lines that make one chain becomes one polyline. vt, vn,
// vp, g, s, usemtl, mtllib and comments are ignored. Returns true with the
// new objects (not in the world) in *objects, none for a file without
// vertices; on error returns false with "FILE:LINE: message" (without
// memory: "FILE: out of memory: nothing was loaded") in *error, having made
// nothing and used up no id.
bool zirka_obj_read(const std::string &path, std::vector<Object *> *objects, std::string *error);
// Returns the OBJ text of the objects: "o NAME", "v x y z" with the
// shortest text that reads back to the same float, then one "f" per polygon,
// "l" per open line and "l a ... a" per closed line. Surface entries whose
// vertex is not the object's cannot be written and are left out. Throws
// std::bad_alloc without memory for the text.
std::string zirka_obj_format(const std::vector<Object *> &objects);
// Writes the same text, through a fixed buffer, to a new file beside path,
// syncs it and renames it over path (over the file a symbolic link names,
// keeping that file's permissions): path is the old file or the whole new
// one, whatever happens. Returns false with "cannot write "PATH": CAUSE" in
// *error, having left path as it was and removed the new file.
bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error);

#endif /* ZIRKA_OBJ_H */
