#pragma once
// The tray form: never seen, it owns the notification-area icon, the two popup
// menus with the sentence menu, and the hidden text box that copies a
// sentence to the clipboard.

#include <cstdint>

#include <optional>

#include "common/mdlOrbek.h"
#include "editor/frmSet.h"
#include "platform/form.h"
#include "platform/menu.h"
#include "platform/runtime.h"
#include "platform/trap.h"

class frmMenu : public vb::Form {
    // The runtime the form's code calls.
    vb::Runtime& rt_;

  public:
    explicit frmMenu(vb::Runtime& rt);

    void Form_Load() override;
    void Form_Unload(std::int16_t& cancel) override;
    void Form_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) override;

    void mnuPopL_Click();
    void mnuPopR_Click(std::int16_t index);
    void mnuSentence_Click(std::int16_t index);
    // Appends the clipboard's text to the store as a new sentence.
    void SetNowCB();

    // Controls, in design order.
    vb::TextBox txtMenu;
    vb::Image imgMenu;
    vb::MenuItem mnuLeft;
    vb::MenuItem& mnuPopL;
    vb::MenuArray mnuSentence;
    vb::MenuItem mnuRight;
    vb::MenuArray mnuPopR;

    mdlOrbek mdl;

    // 1 from just before a tray popup opens until it has returned, the chosen
    // command included.
    std::uint8_t PopupOpen() const { return popupOpen_; }

  private:
    void FillIconRecord(vb::NotifyIconData& record, vb::Trap& trap);
    void Popup(vb::MenuItem& menu, vb::Trap& trap);
    // Shows the editor modally, with the tray form shown around it.
    void OpenEditor();

    vb::NotifyIconData nid_;
    std::uint8_t popupOpen_ = 0;
    // Made on first use, gone once unloaded: every opening reads the store again.
    std::optional<frmSet> frmSet_;
};
