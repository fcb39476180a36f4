#include "platform/core/checklist.h"
#include "platform/core/inistore.h"
#include "platform/core/sortedlist.h"
#include "platform/core/text.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(SortedUniqueList, OrdersWithoutCaseAndDropsEqualLines) {
    SortedUniqueList list;
    list.addAll({"pie", "Apple", "", "apple ", "APPLE", "banana", "Pie"});
    EXPECT_EQ(list.lines(), (QStringList{"", "Apple", "apple ", "banana", "pie"}));
    EXPECT_TRUE(list.contains("BANANA"));
    EXPECT_FALSE(list.add("apple"));
}

TEST(SqueezeSpaces, TabsAndRunsBecomeOneSpace) {
    const struct {
        QString in, out;
    } cases[] = {
        {"", ""},
        {"a b", "a b"},
        {"  apple,\t\tpie!  ", " apple, pie! "},
        {"\t", " "},
        {"a \t b", "a b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(squeezeSpaces(c.in), c.out) << c.in.toStdString();
}

TEST(CheckList, FindsCheckedAndKeepsSelectionInRange) {
    CheckList list;
    list.add("c:\\docs", true);
    list.add("c:\\notes");
    list.selected = 1;
    EXPECT_EQ(list.checkedTexts(), QStringList{"c:\\docs"});
    list.removeAt(1);
    EXPECT_EQ(list.selected, 0);
    EXPECT_EQ(list.indexOf("c:\\notes"), -1);
}

TEST(IniStore, ValuesSurviveAReopenAndDefaultsApplyWhenAbsent) {
    QTemporaryDir dir;
    const QString file = dir.filePath("kvs.ini");
    {
        IniStore ini(file, "TfmSettings");
        EXPECT_FALSE(ini.contains("cbWord.Checked"));
        EXPECT_EQ(ini.intValue("rgIndexWhat.ItemIndex", 0), 0);
        ini.setValue("cbWord.Checked", true);
        ini.setValue("fldOtherExtensions.Text", "wpd, wps");
        ini.save();
    }
    IniStore again(file, "TfmSettings");
    EXPECT_TRUE(again.boolValue("cbWord.Checked", false));
    EXPECT_EQ(again.textValue("fldOtherExtensions.Text", ""), "wpd, wps");
    IniStore other(file, "TfmSelectFiles");
    EXPECT_FALSE(other.contains("cbWord.Checked"));
}

}  // namespace
}  // namespace kv
