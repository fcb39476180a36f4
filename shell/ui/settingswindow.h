// The view of the settings screen.
#pragma once

#include "platform/ui/modulewindow.h"
#include "shell/tfmsettings.h"

#include <QMap>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTextEdit;
class QWidget;

namespace kv {

class CommandLabel;

class SettingsWindow : public ModuleWindow {
    Q_OBJECT
public:
    SettingsWindow(TfmSettings& module, StepRunner runner, ActivationGate& gate);

protected:
    void render() override;
    void activated() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    TfmSettings& m_;
    QWidget* choices_;
    QMap<TfmSettings::Kind, QCheckBox*> boxes_;
    QLineEdit* other_;
    QRadioButton* tenure_[2];
    QTextEdit* help_;
    CommandLabel* question_;
    CommandLabel* done_;
    CommandLabel* title_;
    CommandLabel* tutorial_;
};

}  // namespace kv
