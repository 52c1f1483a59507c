// tcl_eval.cpp -- zirka_tcl_eval_words: one command of given words evaluated
// at global level, for the front end and the window alike.
#include "zirka_tcl.h"

#include "tcl_values.h"

#include <vector>

int zirka_tcl_eval_words(Tcl_Interp *interp, std::initializer_list<std::string> words)
{
    std::vector<Tcl_Obj *> objv;
    for (const std::string &word : words) {
        objv.push_back(zirka_tcl_string(word));
        Tcl_IncrRefCount(objv.back());
    }
    Tcl_InterpState saved = Tcl_SaveInterpState(interp, TCL_OK);
    int code = Tcl_EvalObjv(interp, static_cast<int>(objv.size()), objv.data(), TCL_EVAL_GLOBAL);
    Tcl_RestoreInterpState(interp, saved);
    for (Tcl_Obj *word : objv)
        Tcl_DecrRefCount(word);
    return code;
}
