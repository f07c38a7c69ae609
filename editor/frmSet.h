#pragma once
// The sentence editor: a modal dialog that edits the whole list in two
// index-aligned lists (full texts hidden, first lines shown) and writes it
// back to the store on OK.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/mdlOrbek.h"
#include "platform/form.h"
#include "platform/runtime.h"

class frmSet : public vb::Form {
    // The runtime the form's code calls.
    vb::Runtime& rt_;

  public:
    // `txtMenu` is the tray form's text box, through which sentences are copied.
    frmSet(vb::Runtime& rt, mdlOrbek& module, vb::TextBox& txtMenu);

    void Form_Load() override;
    void Form_Resize() override;
    void cmdSet_Click(std::int16_t index);
    void cmdSList_Click(std::int16_t index);
    void lstSList_Click();
    void lstSList_DblClick();

    // The first line of a sentence: everything before its first CR LF.
    static std::u16string DisplayText(std::u16string_view sentence);

    // Controls, in tab order.
    std::array<vb::CommandButton, 2> cmdSet;
    vb::Label lblSList;
    vb::ListBox lstSList;
    std::array<vb::CommandButton, 5> cmdSList;
    vb::TextBox txtPreview;
    vb::ListBox lstFullS;

  private:
    void Move(std::int16_t from, std::int16_t to);

    mdlOrbek& mdl_;
    vb::TextBox& txtMenu_;
};
