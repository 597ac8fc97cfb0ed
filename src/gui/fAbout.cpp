#include "fAbout.h"

#include "classes/uHelpers.h"
#include "uGUIUtils.h"
#include "uPictures.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace prolamo {

TfrmAbout::TfrmAbout()
    : imgIcon(new QLabel(Client())), Label1(new QLabel(tr("Prolamo"), Client())), lblBuildNr(new QLabel(Client())) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Prolamo"));
    SetHelpKeyword(QStringLiteral("html\\index.htm"));

    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setFixedSize(128, 128);
    imgIcon->setAttribute(Qt::WA_TranslucentBackground);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Larger and bold than the window's own font, whose face and size the platform chooses.
    QFont title = font();
    title.setPointSizeF(title.pointSizeF() * 1.75);
    title.setBold(true);
    Label1->setFont(title);
    lblBuildNr->setObjectName(QStringLiteral("lblBuildNr"));
    lblURL = NewLink("lblURL", QLatin1String(ProductUrl));
    lblSupport = NewLink("lblSupport", QLatin1String(SupportMail));

    auto* name = new QVBoxLayout();
    name->addWidget(Label1);
    name->addWidget(lblBuildNr);
    name->addStretch(1);
    auto* layout = new QGridLayout(bvlDialog);
    layout->addWidget(imgIcon, 0, 0);
    layout->addLayout(name, 0, 1);
    layout->addWidget(lblURL, 1, 0, 1, 2);
    layout->addWidget(lblSupport, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);

    btnOK->hide();
    FormCreate();
}

TClickLabel* TfrmAbout::NewLink(const char* name, const QString& caption) {
    auto* label = new TClickLabel(Client());
    label->setObjectName(QLatin1String(name));
    label->setText(caption);
    QFont underlined;
    underlined.setUnderline(true);
    label->setFont(underlined);
    // The palette's link colour, looked up as it is drawn, so a dark palette gets its own.
    label->setForegroundRole(QPalette::Link);
    label->setCursor(Qt::PointingHandCursor);
    connect(label, &TClickLabel::clicked, this, [this, label] { RunGuarded([this, label] { OnURLClick(label); }); });
    return label;
}

void TfrmAbout::FormCreate() {
    lblBuildNr->setText(ToQString(GetFileVersionString(ToUtf8(QCoreApplication::applicationFilePath()))));
    imgIcon->setPixmap(PicturePixmap(QStringLiteral("prolamo"), 128, devicePixelRatioF()));
}

void TfrmAbout::OnURLClick(QObject* sender) {
    auto* label = qobject_cast<QLabel*>(sender);
    if (!label)
        ProgramError("The link handler needs a label");
    QString target = label->text();
    if (target.contains(QLatin1Char('@')))
        target.prepend(QStringLiteral("mailto:"));
    ShellOpen(target);
}

} // namespace prolamo
