#pragma once

#include "fBeveledDlg.h"

class QLabel;

namespace prolamo {

class TClickLabel;

inline constexpr const char* ProductUrl = "https://prolamo.orvenik.com";
inline constexpr const char* SupportMail = "support@orvenik.com";

// The About box: icon, product name, the executable's version and the support links.
class TfrmAbout : public TfrmBeveledDlg {
    Q_OBJECT

public:
    TfrmAbout();

    // Opens the clicked link label's address; a mail address gets "mailto:" in front.
    void OnURLClick(QObject* sender);

    QLabel* imgIcon;
    QLabel* Label1;
    QLabel* lblBuildNr;
    TClickLabel* lblURL;
    TClickLabel* lblSupport;

private:
    void FormCreate();
    TClickLabel* NewLink(const char* name, const QString& caption);
};

} // namespace prolamo
