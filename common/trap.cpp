#include "trap.h"

#include "mdlOrbek.h"

Trap::Trap(mdlOrbek& module, std::u16string_view location) : module_(module), location_(location) {
    module_.rt.Store().OpenScope();
}

Trap::~Trap() {
    try {
        module_.rt.Store().CloseScope();
    } catch (const vb::Error& error) {
        Report(error);
    }
}

void Trap::Report(const vb::Error& error) {
    vb::ErrObject& err = module_.rt.Err;
    err.Number = error.number;
    err.Description = error.description;
    try {
        module_.ShowErrMsg(location_);
    } catch (const vb::Error&) {
        // The report has no trap of its own: its failure is not reported again.
    }
    err.Clear();  // resuming clears the error
}
