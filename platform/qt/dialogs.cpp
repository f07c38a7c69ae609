#include "dialogs.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <map>

#include "form_window.h"
#include "platform/runtime.h"
#include "text.h"

namespace qtrt {

std::int32_t MessageBox(std::u16string_view prompt, std::int32_t flags, std::u16string_view title) {
    QMessageBox box;
    box.setWindowTitle(ToQt(title));
    box.setText(ToDesktop(prompt));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(flags & vb::kInformation ? QMessageBox::Information
                : flags & vb::kQuestion  ? QMessageBox::Question
                                         : QMessageBox::NoIcon);
    if (flags & vb::kSystemModal) box.setWindowFlag(Qt::WindowStaysOnTopHint);
    std::map<QAbstractButton*, std::int32_t> results;
    if ((flags & 7) == vb::kYesNo) {
        QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
        results = {{yes, vb::kYes}, {no, vb::kNo}};
        box.setDefaultButton(flags & vb::kDefaultButton2 ? no : yes);
    } else {
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        results = {{ok, vb::kOk}};
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    }
    box.exec();
    const auto it = results.find(box.clickedButton());
    return it == results.end() ? vb::kOk : it->second;
}

std::u16string InputBox(std::u16string_view prompt, std::u16string_view title) {
    QInputDialog dialog;
    dialog.setWindowTitle(ToQt(title));
    dialog.setLabelText(ToDesktop(prompt));
    dialog.setFont(DialogFont(vb::Font{}));
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("キャンセル"));
    return dialog.exec() == QDialog::Accepted ? FromDesktop(dialog.textValue()) : std::u16string();
}

}  // namespace qtrt
