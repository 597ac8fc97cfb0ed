#pragma once

#include "profiles/uProfilePreview.h"
#include "switching/uManaged.h"

#include <QTreeWidget>

#include <functional>
#include <optional>
#include <string>

class QTimer;

namespace prolamo {

class TImageList;

// The settings of a profile with what an apply would do to each (unchanged, will change, not
// captured, cannot be read), as the preview computes it. Reading the machine's state of a setting
// may take a while, so the states come one setting per step of a zero timer, and only while the
// list's window is shown and enabled (a run disables it and changes the machine). Each step looks
// the configuration and the profile up by name, among the user's own or the organisation's: data
// changed meanwhile costs a restart, never a stale object.
class TProfileStates : public QTreeWidget {
    Q_OBJECT

public:
    enum Column { colSetting, colState };

    // Managed gives the organisation's configurations as they are now; null when there are none.
    TProfileStates(const TImageList& images, std::function<TConfigurations*()> managed, QWidget* parent);

    // Lists the settings of Profile of Configuration anew and computes their states; none: empty.
    void Show(const TConfiguration* configuration, const TConfigurationProfile* profile);
    // Whether states are still being read.
    bool Checking() const;

    QTimer* tmrStep;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void tmrStepTimer();

    const TImageList& images_;
    const std::function<TConfigurations*()> managed_;
    TConfigurationPlace configuration_;
    std::string profile_;
    int next_ = 0;         // the row the next step reads
    bool waiting_ = false; // for the window to be shown and enabled again
};

} // namespace prolamo
