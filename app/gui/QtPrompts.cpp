#include "app/gui/QtPrompts.h"

#include "app/gui/AppIcons.h"
#include "app/gui/ModalLoops.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBoundaryFinder>

#include <map>

namespace {

constexpr int kTaskDialogIconSize = 32;
constexpr QChar kWordJoiner(0x2060);

QMessageBox::Icon BoxIcon(unsigned flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONWARNING: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

QMessageBox::Icon BoxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    default: return QMessageBox::NoIcon;
    }
}

// The buttons of a message-box type, left to right, with their results.
QList<std::pair<QMessageBox::StandardButton, int>> BoxButtons(unsigned flags)
{
    switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNOCANCEL: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
    }
}

// The text with a word joiner wherever a line could break inside a word
// (between two Chinese characters, after a hyphen): a wrapped line then ends
// only at a space or at the text's own line break, and "星期五" stays whole.
QString BreakOnlyBetweenWords(const QString& text)
{
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    QString joined;
    qsizetype from = 0;
    for (qsizetype at = breaks.toNextBoundary(); at > 0 && at < text.size(); at = breaks.toNextBoundary()) {
        joined.append(QStringView(text).mid(from, at - from));
        if (!text[at - 1].isSpace())
            joined.append(kWordJoiner);
        from = at;
    }
    return joined.append(QStringView(text).mid(from));
}

// One type of a file dialog: its name filter and the extension a name typed
// without one gets under it ("*.txt" gives "txt"; "*" or "*.*" none).
struct FileType
{
    QString nameFilter;
    QString extension;
};

QString PatternExtension(const QString& patterns)
{
    const QString first = patterns.section(u';', 0, 0).trimmed();
    const QString extension = first.startsWith(QStringLiteral("*.")) ? first.mid(2) : QString();
    return extension.contains(u'*') || extension.contains(u'?') ? QString() : extension;
}

// "Text (*.txt)|*.txt|List (*.vrl)|*.vrl||" as QFileDialog types.
QList<FileType> FileTypes(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QList<FileType> types;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        types.append({parts[i].contains(u'(') ? parts[i] : parts[i] + " (" + patterns + ')',
                      PatternExtension(parts[i + 1])});
    }
    return types;
}

} // namespace

int CQtPrompts::MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags)
{
    QMessageBox box(BoxIcon(flags), caption, text, QMessageBox::NoButton, owner);
    const auto buttons = BoxButtons(flags);
    for (const auto& [button, result] : buttons)
        box.addButton(button);
    const auto defaultIndex = qsizetype((flags & MB_DEFMASK) >> 8);
    if (defaultIndex < buttons.size())
        box.setDefaultButton(buttons[defaultIndex].first);
    {
        CModalLoops::Scope loop;
        box.exec();
    }
    const auto clicked = box.standardButton(box.clickedButton());
    for (const auto& [button, result] : buttons) {
        if (button == clicked)
            return result;
    }
    // Rejected from outside: what Esc gives.
    return buttons.size() == 1 ? IDOK : buttons.back().second;
}

TaskDialogResult CQtPrompts::TaskDialog(const TaskDialogSpec& spec)
{
    QMessageBox box(BoxIcon(spec.icon), spec.title, spec.mainInstruction, QMessageBox::NoButton, spec.owner);
    if (spec.icon == PromptIcon::Resource)
        box.setIconPixmap(AppIcon(spec.iconResource).pixmap(kTaskDialogIconSize));
    box.setInformativeText(BreakOnlyBetweenWords(spec.content));
    std::map<QAbstractButton*, int> results;
    for (const auto& [id, text] : spec.customButtons)
        results[box.addButton(text, QMessageBox::ActionRole)] = id;
    const std::pair<unsigned, std::pair<QMessageBox::StandardButton, int>> common[] = {
        {TDCBF_OK_BUTTON, {QMessageBox::Ok, IDOK}},       {TDCBF_YES_BUTTON, {QMessageBox::Yes, IDYES}},
        {TDCBF_NO_BUTTON, {QMessageBox::No, IDNO}},       {TDCBF_CANCEL_BUTTON, {QMessageBox::Cancel, IDCANCEL}},
        {TDCBF_CLOSE_BUTTON, {QMessageBox::Close, IDCLOSE}},
    };
    QAbstractButton* escape = nullptr;
    for (const auto& [flag, button] : common) {
        if (spec.commonButtons & flag) {
            QAbstractButton* added = box.addButton(button.first);
            results[added] = button.second;
            if (spec.allowCancellation && (button.second == IDCANCEL || button.second == IDCLOSE))
                escape = added;
        }
    }
    for (const auto& [button, id] : results) {
        if (id == spec.defaultButton)
            box.setDefaultButton(qobject_cast<QPushButton*>(button));
    }
    box.setEscapeButton(escape);
    if (!spec.verificationText.isEmpty()) {
        box.setCheckBox(new QCheckBox(spec.verificationText));
        box.checkBox()->setChecked(spec.verificationChecked);
    }
    {
        CModalLoops::Scope loop;
        box.exec();
    }
    TaskDialogResult result;
    if (const auto found = results.find(box.clickedButton()); found != results.end())
        result.button = found->second;
    result.verificationChecked = box.checkBox() && box.checkBox()->isChecked();
    return result;
}

FileDialogResult CQtPrompts::FileDialog(const FileDialogSpec& spec)
{
    QFileDialog dialog(spec.owner);
    dialog.setAcceptMode(spec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!spec.save && (spec.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                      : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(spec.flags & OFN_OVERWRITEPROMPT));
    if (!spec.folder.isEmpty())
        dialog.setDirectory(spec.folder);
    const QList<FileType> types = FileTypes(spec.filter);
    QStringList filters;
    for (const FileType& type : types)
        filters << type.nameFilter;
    dialog.setNameFilters(filters);
    // A name typed without extension gets that of the type chosen now, so that
    // the type that picks the format also names the file.
    const auto useTypeExtension = [&](const QString& nameFilter) {
        const qsizetype index = filters.indexOf(nameFilter);
        const QString extension = index >= 0 ? types[index].extension : QString();
        dialog.setDefaultSuffix(spec.defaultExtension.isEmpty() || extension.isEmpty() ? spec.defaultExtension
                                                                                        : extension);
    };
    useTypeExtension(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, useTypeExtension);
    int code = 0;
    {
        CModalLoops::Scope loop;
        code = dialog.exec();
    }
    FileDialogResult result;
    if (code != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.path = dialog.selectedFiles().constFirst();
    result.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return result;
}

std::optional<QString> CQtPrompts::BrowseForFolder(QWidget* owner, const QString& title, const QString& initial)
{
    QFileDialog dialog(owner, title, initial);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    int code = 0;
    {
        CModalLoops::Scope loop;
        code = dialog.exec();
    }
    if (code != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
