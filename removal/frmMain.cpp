#include "frmMain.h"

#include "common/mdlOrbek.h"
#include "platform/runtime.h"

frmMain::frmMain(vb::Runtime& rt) : vb::Form(rt, u"frmMain"), rt_(rt), cmdMain(*this, u"cmdMain") {
    Caption = u"Delete Orbek Sentences";
    Icon = u"nulvex";
    DesignClientSize(3132, 1272);

    cmdMain.Caption = u"OK";
    cmdMain.Design(1920, 720, 1092, 432);
    cmdMain.Default = true;
    // Pressable only once the deletion has run.
    cmdMain.DesignEnabled(false);
    cmdMain.Click = [this] { cmdMain_Click(); };
}

void frmMain::Start() {
    rt_.Dispatch([&] { rt_.Load(*this); });
    if (Loaded() && !Visible()) {
        try {
            Show();
        } catch (const vb::Error&) {
            rt_.End();  // with no window there is nothing to wait for
        }
    }
}

void frmMain::Form_Load() {
    // A missing section (5) only means there is nothing to delete: the next
    // statement runs. Any other error ends the handler quietly, as this
    // program reports none; the window then shows what was done so far.
    const auto step = [](auto&& statement) {
        try {
            statement();
            return true;
        } catch (const vb::Error& error) {
            return error.number == vb::kInvalidCall;
        }
    };

    std::int32_t answer = 0;
    if (!step([&] {
            answer = rt_.MsgBox(u"Orbekの登録文データを全て削除してよろしいですか?",
                                vb::kYesNo | vb::kQuestion | vb::kDefaultButton2,
                                u"登録文データ削除の確認 - Nulvex");
        })) {
        return;
    }
    if (answer == vb::kNo) rt_.End();

    // Shown first, so that the progress line is seen while the store is written.
    if (!step([&] { Show(); })) return;
    if (!step([&] { Print(u"\r\n 登録文データ削除中..."); })) return;
    if (!step([&] { rt_.DeleteSetting(mdlOrbek::kApp, mdlOrbek::kSection); })) return;
    if (!step([&] { Cls(); })) return;
    if (!step([&] { Print(u"\r\n 登録文データ削除完了"); })) return;
    step([&] { cmdMain.SetEnabled(true); });
}

void frmMain::Form_Unload(std::int16_t&) {
    // The window is all there is of this program.
    rt_.End();
}

void frmMain::cmdMain_Click() { rt_.End(); }
