#pragma once
// Nulvex's only form: asks once, then deletes every stored sentence and says
// so; OK, or closing the window, ends the program.

#include <cstdint>

#include "platform/form.h"
#include "platform/runtime.h"

class frmMain : public vb::Form {
    // The runtime the form's code calls.
    vb::Runtime& rt_;

  public:
    explicit frmMain(vb::Runtime& rt);

    // Loads the form. A load handler that stopped early leaves the form
    // unseen: it is shown then, so that the user can end the program.
    void Start();

    void Form_Load() override;
    void Form_Unload(std::int16_t& cancel) override;
    void cmdMain_Click();

    vb::CommandButton cmdMain;
};
