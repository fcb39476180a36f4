// The settings screen: which kinds of document are collected and converted,
// what happens to converted copies at exit, and the indexing strategy. Its
// "Confirm Settings" step turns the choices into the file mask.
#pragma once

#include "platform/core/inistore.h"
#include "platform/core/module.h"

#include <QStringList>

namespace kv {

class Modules;

// Patterns for the "Other" extensions: every non-letter separates, so
// "wpd, wps" gives ";*.wpd;*.wps" and "mp3" gives ";*.mp".
QString otherExtensionPatterns(const QString& text);

class TfmSettings : public Module {
    Q_OBJECT
public:
    explicit TfmSettings(Modules& modules);

    static constexpr int height = 440;
    static constexpr int wideWidth = 725;

    // The kind boxes, in the order their patterns enter the mask.
    enum class Kind { Word, RichText, HTML, Text, Excel, PowerPoint, PDF, Outlook };
    static const QList<Kind>& kinds();
    bool& box(Kind kind);
    bool box(Kind kind) const { return const_cast<TfmSettings*>(this)->box(kind); }

    bool cbWord = false;
    bool cbRichText = false;
    bool cbHTML = false;
    bool cbText = false;
    bool cbPDF = false;
    bool cbExcel = false;
    bool cbOutlook = false;
    bool cbPowerPoint = false;
    QString fldOtherExtensions;
    int rgConversionStatus = 0;  // 0 "Save converted", 1 "Delete converted"
    int rgIndexWhat = 0;         // 0 "New", 1 "New and changed"
    bool cbChanges = false;      // the changed mark

    // Layout: narrow (help hidden) or wide (help pane at the right).
    bool pnlHelpVisible = false;
    QString memHelp;
    int choicesWidth = 0;  // 0: the choices fill the window
    int lblQuestionLeft = 108;
    int lblDoneLeft = 160;
    int titleLeft = 54;

    // The user's gestures.
    void kindClick(Kind kind);            // toggles the box, as a click does
    void fldOtherExtensionsClick();       // a click into the field marks a change
    void setOtherExtensions(const QString& text);  // typing does not
    void rgConversionStatusClick(int index);
    void rgIndexWhatClick(int index);

    // Steps.
    void activate();
    void btnInitKV();
    void btnAddCustom(QString& mask) const;
    void lblDoneClick();
    void lblQuestionClick();
    void btnNarrow();
    void btnWide();
    void lblTutorialClick();

    // A kind is chosen when any box is checked or "Other" is not empty.
    bool anyKindChosen() const;
    bool wideLayout() const { return lblQuestionLeft >= 300; }

    void storeValues();

protected:
    void onClose() override { storeValues(); }

private:
    void restoreValues();

    Modules& m_;
    IniStore ini_;
};

}  // namespace kv
