#include "trap.h"

#include "runtime.h"

namespace vb {

Trap::Trap(Runtime& rt, ErrorReporter& reporter, std::u16string_view location)
    : rt_(rt), reporter_(reporter), location_(location) {
    rt_.Store().OpenScope();
}

Trap::~Trap() {
    try {
        rt_.Store().CloseScope();
    } catch (const Error& error) {
        Report(error);
    }
}

void Trap::Report(const Error& error) {
    rt_.Err.Number = error.number;
    rt_.Err.Description = error.description;
    try {
        reporter_.ShowErrMsg(location_);
    } catch (const Error&) {
        // The report has no trap of its own: its failure is not reported again.
    }
    rt_.Err.Clear();  // resuming clears the error
}

}  // namespace vb
