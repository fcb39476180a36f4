#include "shell/tfmsettings.h"

#include "collection/tfmselectfiles.h"
#include "index/tfmdoindexing.h"
#include "shell/modules.h"
#include "shell/tfmgreetings.h"
#include "shell/tfmselectsource.h"

#include <QRegularExpression>

namespace kv {
namespace {

struct KindInfo {
    TfmSettings::Kind kind;
    bool TfmSettings::*box;
    const char* key;      // stored entry
    const char* pattern;  // its file pattern, or none
};

const KindInfo kKinds[] = {
    {TfmSettings::Kind::Word, &TfmSettings::cbWord, "cbWord.Checked", ";*.doc"},
    {TfmSettings::Kind::RichText, &TfmSettings::cbRichText, "cbRichText.Checked", ";*.rtf"},
    {TfmSettings::Kind::HTML, &TfmSettings::cbHTML, "cbHTML.Checked", ";*.htm"},
    {TfmSettings::Kind::Text, &TfmSettings::cbText, "cbText.Checked", ";*.txt"},
    {TfmSettings::Kind::Excel, &TfmSettings::cbExcel, "cbExcel.Checked", ";*.xls"},
    {TfmSettings::Kind::PowerPoint, &TfmSettings::cbPowerPoint, "cbPowerPoint.Checked", ";*.ppt"},
    {TfmSettings::Kind::PDF, &TfmSettings::cbPDF, "cbPDF.Checked", ";*.pdf"},
    {TfmSettings::Kind::Outlook, &TfmSettings::cbOutlook, "cbOutlook.Checked", nullptr},
};

const QString kOtherKey = QStringLiteral("fldOtherExtensions.Text");
const QString kTenureKey = QStringLiteral("rgConversionStatus.ItemIndex");
const QString kStrategyKey = QStringLiteral("rgIndexWhat.ItemIndex");

}  // namespace

QString otherExtensionPatterns(const QString& text) {
    QString words = text.toLower();
    static const QRegularExpression notLetter(QStringLiteral("[^a-z]"));
    words.replace(notLetter, QStringLiteral(" "));
    QString patterns;
    for (const QString& word : words.split(u' ', Qt::SkipEmptyParts))
        patterns += QStringLiteral(";*.") + word;
    return patterns;
}

TfmSettings::TfmSettings(Modules& modules)
    : Module("TfmSettings"), m_(modules), ini_(modules.iniFile("kvs.ini"), "TfmSettings") {
    geometry.setSize({TfmGreetings::clientWidth, height});
    restoreValues();
}

const QList<TfmSettings::Kind>& TfmSettings::kinds() {
    static const QList<Kind> all = [] {
        QList<Kind> list;
        for (const KindInfo& info : kKinds)
            list << info.kind;
        return list;
    }();
    return all;
}

bool& TfmSettings::box(Kind kind) {
    for (const KindInfo& info : kKinds)
        if (info.kind == kind)
            return this->*info.box;
    Q_UNREACHABLE();
}

// A restored value that differs from the design value goes through the
// control's click handler, exactly as the user's click would.
void TfmSettings::restoreValues() {
    for (const KindInfo& info : kKinds)
        if (ini_.boolValue(info.key, false) != box(info.kind))
            kindClick(info.kind);
    const QString other = ini_.textValue(kOtherKey, QString());
    if (other != fldOtherExtensions)
        setOtherExtensions(other);
    const int tenure = ini_.intValue(kTenureKey, 0);
    if (tenure != rgConversionStatus)
        rgConversionStatusClick(tenure);
    const int strategy = ini_.intValue(kStrategyKey, 0);
    if (strategy != rgIndexWhat)
        rgIndexWhatClick(strategy);
}

void TfmSettings::storeValues() {
    for (const KindInfo& info : kKinds)
        ini_.setValue(info.key, box(info.kind));
    ini_.setValue(kOtherKey, fldOtherExtensions);
    ini_.setValue(kTenureKey, rgConversionStatus);
    ini_.setValue(kStrategyKey, rgIndexWhat);
    ini_.save();
}

void TfmSettings::kindClick(Kind kind) {
    bool& checked = box(kind);
    checked = !checked;
    cbChanges = true;
    notify();
}

void TfmSettings::fldOtherExtensionsClick() {
    cbChanges = true;
    notify();
}

void TfmSettings::setOtherExtensions(const QString& text) {
    fldOtherExtensions = text;
    notify();
}

void TfmSettings::rgConversionStatusClick(int index) {
    rgConversionStatus = index;
    cbChanges = true;
    notify();
}

void TfmSettings::rgIndexWhatClick(int index) {
    rgIndexWhat = index;
    m_.selectFiles().rgIndex = index;
    cbChanges = true;
    notify();
}

bool TfmSettings::anyKindChosen() const {
    for (Kind kind : kinds())
        if (box(kind))
            return true;
    return !fldOtherExtensions.isEmpty();
}

void TfmSettings::activate() {
    cbChanges = false;
    notify();
}

void TfmSettings::btnInitKV() {
    // The conversion control's Excel, PowerPoint and Outlook switches are
    // cleared here and then set from cbExcel, cbPowerPoint and cbOutlook.
    QString mask;
    for (const KindInfo& info : kKinds)
        if (info.pattern && box(info.kind))
            mask += QLatin1String(info.pattern);
    btnAddCustom(mask);
    m_.selectFiles().fldTypesSelected = mask;
    m_.selectFiles().btnLoadMask();
}

void TfmSettings::btnAddCustom(QString& mask) const {
    mask += otherExtensionPatterns(fldOtherExtensions);
}

void TfmSettings::lblDoneClick() {
    m_.doIndexing().hide();
    hide();
    btnInitKV();
    if (cbChanges) {
        m_.doIndexing().show();
        m_.selectFiles().btnIndexing();
    } else {
        m_.selectFiles().hide();
        m_.greetings().show();
    }
    m_.selectSource().btnLoadExtensions();
    close();
}

void TfmSettings::lblQuestionClick() {
    memHelp = m_.greetings().loadHelpFile(QStringLiteral("KorvaneSettings.rtf"));
    if (wideLayout())
        btnNarrow();
    else
        btnWide();
}

void TfmSettings::btnNarrow() {
    pnlHelpVisible = false;
    choicesWidth = 0;
    geometry.setWidth(m_.greetings().geometry.width());
    lblQuestionLeft = 108;
    lblDoneLeft = 160;
    titleLeft = 54;
    centre();
    notify();
}

void TfmSettings::btnWide() {
    choicesWidth = 229;
    geometry.setWidth(wideWidth);
    lblQuestionLeft = 504;
    lblDoneLeft = 600;
    titleLeft = 296;
    pnlHelpVisible = true;
    centre();
    notify();
}

void TfmSettings::lblTutorialClick() {
    m_.greetings().lblTutorialClick();
}

}  // namespace kv
