#include "fAbout.h"

#include "classes/uHelpers.h"
#include "uGUIUtils.h"
#include "uPictures.h"

#include <QCoreApplication>
#include <QPushButton>

namespace prolamo {

TfrmAbout::TfrmAbout()
    : imgIcon(new QLabel(Client())), Label1(new QLabel(QStringLiteral("Prolamo"), Client())),
      lblBuildNr(new QLabel(Client())) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Prolamo"));
    SetHelpKeyword(QStringLiteral("html\\index.htm"));
    SetClientSize(336, 227);
    bvlDialog->setGeometry(8, 8, 320, 180);

    imgIcon->setObjectName(QStringLiteral("imgIcon"));
    imgIcon->setGeometry(16, 16, 128, 128);
    imgIcon->setAttribute(Qt::WA_TranslucentBackground);
    Label1->setObjectName(QStringLiteral("Label1"));
    // Only size and weight: the face is the window's, so a platform's choice carries through.
    QFont title;
    title.setPixelSize(21);
    title.setBold(true);
    Label1->setFont(title);
    Label1->move(150, 16);
    Label1->adjustSize();
    lblBuildNr->setObjectName(QStringLiteral("lblBuildNr"));
    lblBuildNr->move(152, 48);
    lblURL = NewLink("lblURL", QLatin1String(ProductUrl), 16, 150);
    lblSupport = NewLink("lblSupport", QLatin1String(SupportMail), 16, 169);

    btnOK->hide();
    FormCreate();
}

TClickLabel* TfrmAbout::NewLink(const char* name, const QString& caption, int left, int top) {
    auto* label = new TClickLabel(Client());
    label->setObjectName(QLatin1String(name));
    label->setText(caption);
    QFont underlined;
    underlined.setUnderline(true);
    label->setFont(underlined);
    // The palette's link colour, looked up as it is drawn, so a dark palette gets its own.
    label->setForegroundRole(QPalette::Link);
    label->setCursor(Qt::PointingHandCursor);
    label->move(left, top);
    label->adjustSize();
    connect(label, &TClickLabel::clicked, this, [this, label] { RunGuarded([this, label] { OnURLClick(label); }); });
    return label;
}

void TfrmAbout::FormCreate() {
    lblBuildNr->setText(ToQString(GetFileVersionString(ToUtf8(QCoreApplication::applicationFilePath()))));
    lblBuildNr->adjustSize();
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
