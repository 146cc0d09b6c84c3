#include "dialogs/ChecksumDialog.h"

#include "app/gui/AppIcons.h"
#include "app/gui/Prompts.h"
#include "app/gui/UIFont.h"
#include "dialogs/ReadOnlyField.h"
#include "platform/FileException.h"
#include "platform/HashRun.h"
#include "platform/MessageFormat.h"
#include "platform/StringTable.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// CNG ids, shown as they are.
const char* const kAlgorithms[] = {"MD2", "MD4", "MD5", "SHA1", "SHA256", "SHA384", "SHA512"};
constexpr int kDefaultAlgorithm = 4; // SHA256

constexpr QSize kDialogUnits(309, 149);

QPushButton* Button(const char* text, const char* name, QWidget* parent)
{
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(true);
    return button;
}

QLabel* Label(const char* text, QWidget* buddy)
{
    auto* label = new QLabel(QString::fromUtf8(text));
    label->setBuddy(buddy);
    return label;
}

} // namespace

CChecksumDialog::CChecksumDialog(QWidget* parent)
    : QDialog(parent),
      m_editFile(new QLineEdit(this)),
      m_listAlgorithm(new QComboBox(this)),
      m_editHash(new QPlainTextEdit(this)),
      m_btnCalculate(Button("计算(&U)", "ctl1177", this))
{
    setObjectName(QStringLiteral("ChecksumDialog"));
    setWindowTitle(QStringLiteral("文件校验和"));
    setWindowIcon(AppIcon(IDI_CHECKSUM));
    resize(DialogUnitsToPixels(kDialogUnits, font()));
    m_editFile->setObjectName(QStringLiteral("ctl1044"));
    MakeReadOnlyField(m_editFile);
    m_listAlgorithm->setObjectName(QStringLiteral("ctl1179"));
    for (const char* algorithm : kAlgorithms)
        m_listAlgorithm->addItem(QLatin1String(algorithm));
    m_editHash->setObjectName(QStringLiteral("ctl1178"));
    MakeReadOnlyField(m_editHash);
    QPushButton* cancel = Button("取消", "ctl2", this);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label("文件(&F)：", m_editFile), 0, 0);
    grid->addWidget(m_editFile, 0, 1);
    grid->addWidget(Label("算法(&A)：", m_listAlgorithm), 1, 0);
    grid->addWidget(m_listAlgorithm, 1, 1, Qt::AlignLeft);
    grid->addWidget(Label("哈希(&H)：", m_editHash), 2, 0, Qt::AlignTop);
    grid->addWidget(m_editHash, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnCalculate);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 2);

    m_timer.setInterval(kPollMs);
    connect(&m_timer, &QTimer::timeout, this, &CChecksumDialog::OnTimer);
    connect(m_btnCalculate, &QPushButton::clicked, this, &CChecksumDialog::OnCalculate);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CChecksumDialog::~CChecksumDialog() = default;

int CChecksumDialog::Open(const QString& path)
{
    m_strFilePath = path;
    OnInitDialog();
    return exec();
}

void CChecksumDialog::OnInitDialog()
{
    // The last run stays: while it still ends, Calculate is ignored.
    m_editFile->setText(m_strFilePath);
    m_listAlgorithm->setCurrentIndex(kDefaultAlgorithm);
    m_editHash->clear();
    SetControlsEnabled(true);
    m_listAlgorithm->setFocus(Qt::OtherFocusReason);
}

void CChecksumDialog::done(int result)
{
    if (m_run)
        m_run->RequestStop();
    m_timer.stop();
    QDialog::done(result);
}

void CChecksumDialog::keyPressEvent(QKeyEvent* event)
{
    // A push button with the focus takes Enter itself, before this handler.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CChecksumDialog::OnCalculate()
{
    if (m_run && !m_run->IsDone())
        return;
    // Read here: the run's thread never touches a widget.
    const QString algorithm = m_listAlgorithm->currentText();
    m_run.reset(); // its thread has only to return, so the join is short
    m_run = std::make_unique<CHashRun>(m_strFilePath, algorithm);
    m_timer.start();
    SetControlsEnabled(false);
}

void CChecksumDialog::OnTimer()
{
    if (!m_run->IsDone()) {
        m_editHash->setPlainText(FormatString(LoadResString(TextId::BytesProcessed), m_run->BytesProcessed()));
        return;
    }
    m_timer.stop(); // before any box: its nested loop must not tick again
    SetControlsEnabled(true);
    m_editHash->setPlainText(m_run->Hash());
    ShowFailure();
}

void CChecksumDialog::ShowFailure()
{
    switch (m_run->GetFailure()) {
    case CHashRun::Failure::None:
        return;
    case CHashRun::Failure::Hashing:
        AppMessageBox(this, TextId::HashingFailed, MB_ICONERROR);
        return;
    case CHashRun::Failure::Memory:
        AppMessageBox(this, TextId::ChecksumOutOfMemory, MB_ICONERROR);
        return;
    case CHashRun::Failure::File:
        AppMessageBox(this, CFileException(m_run->FileError(), m_strFilePath).GetErrorMessage(), MB_ICONERROR);
        return;
    }
}

void CChecksumDialog::SetControlsEnabled(bool enabled)
{
    m_listAlgorithm->setEnabled(enabled);
    m_btnCalculate->setEnabled(enabled);
}
