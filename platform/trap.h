#pragma once
// The trap-report-continue convention of every trapped procedure: a statement
// that raises a run-time error is reported with the procedure's location name,
// and execution goes on with the next statement. A failed assignment leaves
// its target unchanged; a failed condition goes on into its then-branch.
//
// A trap is also a write scope of the store: the procedure's writes reach the
// disk together when it returns, and a failure to write them is reported too.

#include <string_view>
#include <utility>

#include "error.h"

namespace vb {

class Runtime;

// Shows the runtime's current error (Err) with the location it happened in;
// returns once the user has closed the report.
class ErrorReporter {
  public:
    virtual void ShowErrMsg(std::u16string_view location) = 0;

  protected:
    ~ErrorReporter() = default;
};

class Trap {
  public:
    Trap(Runtime& rt, ErrorReporter& reporter, std::u16string_view location);
    ~Trap();
    Trap(const Trap&) = delete;
    Trap& operator=(const Trap&) = delete;

    // One statement. Returns whether it completed.
    template <class Statement>
    bool Do(Statement&& statement) {
        try {
            std::forward<Statement>(statement)();
            return true;
        } catch (const Error& error) {
            Report(error);
            return false;
        }
    }

    // The condition of a conditional statement; true also when it failed.
    template <class Condition>
    bool If(Condition&& condition) {
        bool result = true;
        Do([&] { result = std::forward<Condition>(condition)(); });
        return result;
    }

  private:
    void Report(const Error& error);

    Runtime& rt_;
    ErrorReporter& reporter_;
    std::u16string_view location_;
};

}  // namespace vb
