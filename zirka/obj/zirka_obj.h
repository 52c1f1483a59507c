// zirka_obj.h -- reading Wavefront OBJ files into new objects and writing
// objects out, through the core's interface.
#ifndef ZIRKA_OBJ_H
#define ZIRKA_OBJ_H

#include "zirka_core.h"

#include <string>
#include <vector>

// Reads an OBJ file by the rules of the README ("Reading OBJ files"): each
// "o NAME" starts an object of the vertices after it, "f" makes a polygon,
// "l" a line. Returns true with the new objects (not in the world) in
// *objects, none for a file without vertices; otherwise false with
// "FILE:LINE: message" (or "FILE: out of memory: nothing was loaded") in
// *error, having made nothing and used up no id.
bool zirka_obj_read(const std::string &path, std::vector<Object *> *objects, std::string *error);
// Returns the OBJ text of the objects: "o NAME", "v x y z" with the shortest
// text that reads back to the same float, then one "f" per polygon, "l" per
// open line and "l a ... a" per closed line, leaving out entries whose
// vertex is not the object's. Throws std::bad_alloc without memory.
std::string zirka_obj_format(const std::vector<Object *> &objects);
// Writes the same text to a new file beside path, synced and renamed over
// path (or over the file a symbolic link names, keeping its permissions).
// Returns false with "cannot write "PATH": CAUSE" in *error, path as it was.
bool zirka_obj_write(const std::string &path, const std::vector<Object *> &objects, std::string *error);

#endif /* ZIRKA_OBJ_H */
