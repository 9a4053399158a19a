// File drops: name lists and CF_HDROP, the one-name and name-map formats, "Shell IDList Array" and the
// item-id lists built from real paths, the order in which the file data format tries its formats, and the
// file drop target receiving a desktop drop.
#include "dragdrop/DragDropFile.h"
#include "tests/dragdrop/DragDropTestSupport.h"
#include "tests/platform/vcl/VclControlsSupport.h"

#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/kernel/Utf16.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/shell/Shell.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace dragdrop;
using namespace ddtest;

namespace {

class DragDropFileTest : public DragDropFixture {};

std::vector<std::string> Names(vcl::TStrings* list) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < list->Count(); ++i)
        names.push_back(list->Get(i));
    return names;
}

std::vector<uint8_t> Wide(const std::u16string& s) {
    std::vector<uint8_t> bytes;
    for (char16_t c : s) {
        bytes.push_back(uint8_t(c));
        bytes.push_back(uint8_t(c >> 8));
    }
    return bytes;
}

std::vector<uint8_t> HDrop(const std::vector<uint8_t>& list, bool wide, uint32_t offset = 20) {
    std::vector<uint8_t> block(20);
    std::memcpy(block.data(), &offset, 4);
    block[16] = wide ? 1 : 0;
    block.insert(block.end(), list.begin(), list.end());
    return block;
}

std::vector<uint8_t> Cat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

uint16_t Id(const char* name) {
    return uint16_t(win::RegisterClipboardFormat(name));
}

TEST_F(DragDropFileTest, NameListsAndCfHdrop) {
    struct Case {
        const char* What;
        std::vector<uint8_t> Block;
        std::vector<std::string> Names;
    };
    const std::vector<Case> cases = {
        {"two wide names", HDrop(Wide(std::u16string(u"/a/é.gif\0/b c\0\0", 15)), true), {"/a/é.gif", "/b c"}},
        {"two 8-bit names", HDrop(Bytes(std::string("/x\0/y z\0\0", 9)), false), {"/x", "/y z"}},
        {"a list starting with zero", HDrop({0, 0, 'x', 0}, false), {}},
        {"a last name without its zero", HDrop(Bytes("/last"), false), {"/last"}},
        {"a wide list with an odd last byte", HDrop(Cat(Wide(u"/w"), {'z'}), true), {"/w"}},
        {"an offset past the block", HDrop(Bytes(std::string("/x\0\0", 4)), false, 4000), {}},
        {"an offset at the block's end", HDrop(Bytes(std::string("/x\0\0", 4)), false, 24), {}},
        {"20 bytes: no room for a list", std::vector<uint8_t>(20, 0), {}},
    };
    for (Medium kind : {Medium::HGlobal, Medium::Stream})
        for (const Case& c : cases) {
            TFileClipboardFormat hdrop;
            win::STGMEDIUM m = MakeMedium(kind, c.Block);
            EXPECT_EQ(hdrop.GetDataFromMedium(nullptr, m), !c.Names.empty()) << c.What;
            EXPECT_EQ(Names(hdrop.GetFiles()), c.Names) << c.What;
        }
}

TEST_F(DragDropFileTest, WrittenListsTakeTheirExactSize) {
    TFileClipboardFormat hdrop;
    hdrop.GetFiles()->Add("a");
    hdrop.GetFiles()->Add("bc");
    EXPECT_EQ(hdrop.GetDataSize(), 26);
    win::STGMEDIUM m;
    ASSERT_TRUE(hdrop.SetDataToMedium({uint16_t(win::CF_HDROP), nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL}, m));
    std::vector<uint8_t> block = MediumBytes(m);
    win::ReleaseStgMedium(&m);
    ASSERT_EQ(block.size(), 26u);
    EXPECT_EQ(block[0], 20);
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + 20, block.end()), Bytes(std::string("a\0bc\0\0", 6)));
    // The platform's own reader agrees.
    EXPECT_EQ(win::ReadHDrop(block.data(), block.size()), (std::vector<std::string>{"a", "bc"}));

    TFilenameMapWClipboardFormat map;
    map.GetFileMaps()->Add("a");
    map.GetFileMaps()->Add("bc");
    EXPECT_EQ(map.GetDataSize(), 12);
    ASSERT_TRUE(map.SetDataToMedium(map.GetFormatEtc(), m));
    block = MediumBytes(m);
    win::ReleaseStgMedium(&m);
    EXPECT_EQ(block, Wide(std::u16string(u"a\0bc\0\0", 6)));
    // A block too small for every name is never written past: the names are cut, the list still ends.
    std::vector<uint8_t> small(7, 0xEE);
    WriteNameList(small.data(), 6, true, map.GetFileMaps());
    EXPECT_EQ(small, (std::vector<uint8_t>{'a', 0, 0, 0, 0, 0, 0xEE}));
}

// A data object of the four file formats in any subset: CF_HDROP, "Shell IDList Array", "FileNameW", "FileName".
// With emptyDrop the CF_HDROP block is there but its list starts with its end.
win::ComPtr<win::IDataObject> FileObject(unsigned subset, const std::string& folder, bool emptyDrop = false) {
    std::vector<win::MemoryDataEntry> entries;
    if (subset & 1)
        entries.push_back({uint16_t(win::CF_HDROP), emptyDrop ? HDrop({0, 0}, false) : win::BuildHDrop({"/from/hdrop"})});
    if (subset & 2) {
        TPIDLClipboardFormat pidl;
        vcl::TStringList paths;
        paths.Add(folder + "/one.gif");
        PathsToPIDLs(&paths, pidl.GetPIDLs());
        std::vector<uint8_t> block(size_t(pidl.GetDataSize()));
        pidl.WriteData(block.data(), block.size());
        entries.push_back({Id(win::CFSTR_SHELLIDLIST), block});
    }
    if (subset & 4)
        entries.push_back({Id(win::CFSTR_FILENAMEW), Wide(std::u16string(u"/from/wide\0", 11))});
    if (subset & 8)
        entries.push_back({Id(win::CFSTR_FILENAMEA), Bytes(std::string("/from/narrow\0", 13))});
    return win::CreateMemoryDataObject(entries);
}

// A folder of its own under the temporary folder, removed at the end.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "loomwick-dnd-XXXXXX").string();
        FPath = mkdtemp(pattern.data());
    }
    ~TempFolder() { std::filesystem::remove_all(FPath); }
    std::string File(const std::string& relative) {
        std::filesystem::path p = FPath + "/" + relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << "x";
        return p.string();
    }
    std::string FPath;
};

TEST_F(DragDropFileTest, TheFileFormatTakesTheFirstFormatThatGivesNames) {
    TempFolder temp;
    temp.File("one.gif");
    for (unsigned subset = 1; subset < 16; ++subset) {
        TFileDataFormat files(nullptr);
        auto object = FileObject(subset, temp.FPath);
        ASSERT_TRUE(files.GetData(object.Get())) << subset;
        std::string expected = (subset & 1)   ? "/from/hdrop"
                               : (subset & 2) ? temp.FPath + "/one.gif"
                               : (subset & 4) ? "/from/wide"
                                              : "/from/narrow";
        EXPECT_EQ(Names(files.GetFiles()), std::vector<std::string>{expected}) << subset;
    }
    // A CF_HDROP without names gives nothing, and the item-id lists are read next.
    TFileDataFormat none(nullptr);
    EXPECT_FALSE(none.GetData(FileObject(1, temp.FPath, true).Get()));
    TFileDataFormat next(nullptr);
    ASSERT_TRUE(next.GetData(FileObject(3, temp.FPath, true).Get()));
    EXPECT_EQ(Names(next.GetFiles()), std::vector<std::string>{temp.FPath + "/one.gif"});
}

TEST_F(DragDropFileTest, ItemIdListsOfRealPaths) {
    TempFolder temp;
    std::string a = temp.File("same/a.gif"), b = temp.File("same/b c.gif");
    vcl::TStringList paths, lists;
    paths.Add(a);
    paths.Add(b);
    ASSERT_TRUE(PathsToPIDLs(&paths, &lists));
    ASSERT_EQ(lists.Count(), 3);
    win::LPITEMIDLIST folder = PathToPIDL(temp.FPath + "/same/");
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(lists.Get(0), PIDLToString(folder));
    win::CoTaskMemFree(folder);
    EXPECT_EQ(lists.Get(1).size(), 2 + 1 + 5 + 2u); // one item: its size, the file-system mark, "a.gif", the end
    TPIDLsToFilenamesStrings view(&lists);
    EXPECT_EQ(Names(&view), (std::vector<std::string>{a, b}));

    // Through a block and back.
    TPIDLClipboardFormat format;
    format.GetPIDLs()->Assign(&lists);
    std::vector<uint8_t> block(size_t(format.GetDataSize()));
    ASSERT_TRUE(format.WriteData(block.data(), block.size()));
    TPIDLClipboardFormat read;
    ASSERT_TRUE(read.ReadData(block.data(), block.size()));
    EXPECT_EQ(Names(read.GetFilenames()), (std::vector<std::string>{a, b}));

    // Three sibling folders: the grandparent is the parent, each item two deep.
    vcl::TStringList cousins;
    for (const char* f : {"g/x/1.gif", "g/y/2.gif", "g/z/3.gif"})
        cousins.Add(temp.File(f));
    ASSERT_TRUE(PathsToPIDLs(&cousins, &lists));
    win::LPITEMIDLIST grand = PathToPIDL(temp.FPath + "/g");
    EXPECT_EQ(lists.Get(0), PIDLToString(grand));
    win::CoTaskMemFree(grand);
    TPIDLsToFilenamesStrings cousinView(&lists);
    EXPECT_EQ(Names(&cousinView), Names(&cousins));

    // An item that is no file-system object has no name; indexes outside the view and missing folders say so.
    lists.Add(std::string("\x05\x00\x77zz\x00\x00", 7));
    EXPECT_EQ(cousinView.Get(3), "");
    try {
        cousinView.Get(4);
        FAIL();
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "Filename index out of range");
    }
    vcl::TStringList missing;
    missing.Add(temp.FPath + "/nowhere/file.gif");
    try {
        CommonParentPIDL(&missing);
        FAIL();
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid filename: " + temp.FPath + "/nowhere/");
    }
}

TEST_F(DragDropFileTest, APathLongerThan260CharactersKeepsItsName) {
    TempFolder temp;
    std::string longPath = temp.File(std::string(200, 'd') + "/" + std::string(120, 'f') + ".gif");
    ASSERT_GT(longPath.size(), 300u);
    vcl::TStringList paths, lists;
    paths.Add(longPath);
    ASSERT_TRUE(PathsToPIDLs(&paths, &lists));
    TPIDLsToFilenamesStrings view(&lists);
    EXPECT_EQ(view.Get(0), longPath);
}

TEST_F(DragDropFileTest, HostileIdListBlocksGiveNoData) {
    auto u32 = [](std::vector<uint8_t>& b, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
    };
    // A good block: a parent (the desktop, an empty list) and one item.
    std::vector<uint8_t> good;
    u32(good, 1);
    u32(good, 12);
    u32(good, 14);
    good.insert(good.end(), {0, 0, 5, 0, 0x31, 'a', 0, 0, 0});
    struct Case {
        const char* What;
        std::vector<uint8_t> Block;
        bool Taken;
    };
    std::vector<uint8_t> onlyParent = {0, 0, 0, 0, 8, 0, 0, 0, 0, 0};
    std::vector<uint8_t> fourBytes = {0, 0, 0, 0};
    std::vector<uint8_t> pastEnd = good;
    pastEnd[8] = 200;
    std::vector<uint8_t> unterminated(good.begin(), good.end() - 2);
    std::vector<uint8_t> itemPastEnd = good;
    itemPastEnd[14] = 40;
    std::vector<uint8_t> huge = {0, 0, 0, 0x40, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<uint8_t> zeroItem = good;
    zeroItem[14] = 1; // an item of size 1 would never end
    std::vector<uint8_t> shared;
    u32(shared, 3);
    for (int i = 0; i < 4; ++i)
        u32(shared, 20);
    shared.insert(shared.end(), {9, 0, 0x31, 'l', 'o', 'n', 'g', '!', '!', 0, 0});
    const std::vector<Case> cases = {
        {"a parent and one item", good, true},
        {"a parent only", onlyParent, false},
        {"four bytes, no item", fourBytes, false},
        {"an offset past the end", pastEnd, false},
        {"an unterminated last list", unterminated, false},
        {"an item running past the end", itemPastEnd, false},
        {"N = 0x40000000", huge, false},
        {"an item of size 1", zeroItem, false},
        {"four lists on the same bytes", shared, false},
    };
    for (const Case& c : cases) {
        TPIDLClipboardFormat format;
        EXPECT_EQ(format.ReadData(c.Block.data(), c.Block.size()), c.Taken) << c.What;
        if (!c.Taken) {
            EXPECT_EQ(format.GetFilenames()->Count(), 0) << c.What;
        }
    }
}

class FileDropTargetTest : public vcltest::VclControlsTest {
protected:
    void SetUp() override {
        VclControlsTest::SetUp();
        dragdrop::InitializeDragDrop();
    }
    void TearDown() override {
        VclControlsTest::TearDown();
        dragdrop::FinalizeDragDrop();
    }
};

} // namespace

namespace ddtest {

// A window laid out the way the editor's main window holds its file drop target.
class TFileDropForm : public vcl::TForm {
public:
    explicit TFileDropForm(vcl::TComponent* owner) : TForm(owner) {}
    void dtFilesDrop(vcl::TObject*, vcl::TShiftState, vcl::TPoint, int32_t&) { ++Drops; }
    TFileDropTarget* dtFiles = nullptr;
    int Drops = 0;
};

} // namespace ddtest

namespace {

const char* const fileDropLayout = R"(object FileDropForm: TFileDropForm
  Left = 10
  Top = 10
  Width = 300
  Height = 200
  Caption = 'Files'
  object dtFiles: TFileDropTarget
    Dragtypes = [dtCopy, dtLink]
    GetDataOnEnter = False
    OnDrop = dtFilesDrop
    ShowImage = True
    OptimizedMove = True
    AllowAsyncTransfer = True
  end
end
)";

TFileDropForm* ReadFileDropForm(const std::string& text) {
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), int64_t(binary.size()));
    auto* form = new TFileDropForm(nullptr);
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(form);
    return form;
}

std::string WrittenText(vcl::TComponent* root) {
    vcl::TMemoryStream binary;
    vcl::TWriter writer(&binary);
    writer.WriteRootComponent(root);
    return vcl::ObjectBinaryToText(std::string(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize())));
}

TEST_F(FileDropTargetTest, ALayoutSetsTheTargetAndIsWrittenBackToTheSameValues) {
    vcl::RegisterVclClasses();
    vcl::DefineClassProperties<TFileDropForm, vcl::TForm>();
    vcl::DefineFormClass<TFileDropForm>()
        .Field("dtFiles", &TFileDropForm::dtFiles)
        .Method("dtFilesDrop", &TFileDropForm::dtFilesDrop);
    vcl::RegisterClass<TFileDropForm>("TFileDropForm");
    std::string text = fileDropLayout;
    for (int round = 0; round < 2; ++round) {
        TFileDropForm* form = ReadFileDropForm(text);
        ASSERT_NE(form->dtFiles, nullptr);
        EXPECT_EQ(form->dtFiles->GetDragtypes(), (TDragTypes{dtCopy, dtLink}));
        EXPECT_FALSE(form->dtFiles->GetGetDataOnEnter());
        EXPECT_TRUE(form->dtFiles->GetShowImage());
        EXPECT_TRUE(form->dtFiles->GetOptimizedMove());
        EXPECT_TRUE(form->dtFiles->GetAllowAsyncTransfer());
        int32_t effect = 1;
        ASSERT_TRUE(form->dtFiles->OnDrop);
        form->dtFiles->OnDrop(form->dtFiles, {}, {0, 0}, effect);
        EXPECT_EQ(form->Drops, 1);
        std::string written = WrittenText(form);
        EXPECT_NE(written.find("object dtFiles: TFileDropTarget"), std::string::npos) << written;
        EXPECT_NE(written.find("OnDrop = dtFilesDrop"), std::string::npos) << written;
        EXPECT_NE(written.find("AllowAsyncTransfer = True"), std::string::npos) << written;
        text = written; // the second round reads what the first wrote
        form->Free();
    }
}

// The text of the target's object in a written layout.
std::string TargetText(const std::string& layout) {
    const size_t begin = layout.find("  object dtFiles: TFileDropTarget\n");
    const size_t end = layout.find("\n  end\n", begin);
    if (begin == std::string::npos || end == std::string::npos)
        return layout;
    return layout.substr(begin, end + 7 - begin);
}

// The editor's main window streams its file target with values the target has when made; they stay in the
// text, while values equal to a declared default stay out of it.
TEST_F(FileDropTargetTest, TheEditorsLayoutIsWrittenBackUnchanged) {
    vcl::RegisterVclClasses();
    vcl::DefineClassProperties<TFileDropForm, vcl::TForm>();
    vcl::DefineFormClass<TFileDropForm>()
        .Field("dtFiles", &TFileDropForm::dtFiles)
        .Method("dtFilesDrop", &TFileDropForm::dtFilesDrop);
    vcl::RegisterClass<TFileDropForm>("TFileDropForm");
    const std::string form = "object FileDropForm: TFileDropForm\n"
                             "  Caption = 'Files'\n";
    const std::string targets[] = {
        "  object dtFiles: TFileDropTarget\n"
        "    Dragtypes = [dtCopy, dtLink]\n"
        "    GetDataOnEnter = False\n"
        "    OnDrop = dtFilesDrop\n"
        "    ShowImage = True\n"
        "    OptimizedMove = True\n"
        "    AllowAsyncTransfer = False\n"
        "  end\n",
        "  object dtFiles: TFileDropTarget\n"
        "    Dragtypes = [dtCopy]\n"
        "    GetDataOnEnter = True\n"
        "    ShowImage = False\n"
        "    MultiTarget = True\n"
        "    AutoScroll = False\n"
        "    OptimizedMove = False\n"
        "    AllowAsyncTransfer = True\n"
        "  end\n",
    };
    for (const std::string& target : targets) {
        TFileDropForm* read = ReadFileDropForm(form + target + "end\n");
        const std::string written = WrittenText(read);
        EXPECT_EQ(TargetText(written), target) << written;
        read->Free();
    }
    // Values equal to the declared defaults are read and left out when written, but for OptimizedMove, whose
    // declared default False the file target does not have when made.
    TFileDropForm* read = ReadFileDropForm(form + "  object dtFiles: TFileDropTarget\n"
                                                  "    OnDrop = dtFilesDrop\n"
                                                  "    MultiTarget = False\n"
                                                  "    AutoScroll = True\n"
                                                  "    OptimizedMove = False\n"
                                                  "  end\n"
                                                  "end\n");
    EXPECT_FALSE(read->dtFiles->GetMultiTarget());
    EXPECT_TRUE(read->dtFiles->GetAutoScroll());
    EXPECT_FALSE(read->dtFiles->GetOptimizedMove());
    EXPECT_EQ(TargetText(WrittenText(read)), "  object dtFiles: TFileDropTarget\n"
                                             "    Dragtypes = [dtCopy, dtLink]\n"
                                             "    GetDataOnEnter = False\n"
                                             "    OnDrop = dtFilesDrop\n"
                                             "    ShowImage = True\n"
                                             "    OptimizedMove = False\n"
                                             "    AllowAsyncTransfer = False\n"
                                             "  end\n");
    read->Free();
}

TEST_F(FileDropTargetTest, ADesktopDropGivesTheNamesDuringOnDrop) {
    vcl::TForm* form = MakeForm({100, 100, 400, 300});
    auto* target = new TFileDropTarget(form);
    EXPECT_TRUE(target->GetOptimizedMove());
    target->SetTarget(form);
    std::vector<std::string> names;
    vcl::TPoint point;
    target->OnDrop = [&](vcl::TObject*, vcl::TShiftState, vcl::TPoint p, int32_t& effect) {
        names = Names(target->GetFileNames());
        point = p;
    };
    const std::vector<std::string> files = {"/home/user/my pictures/anim.gif", "/home/user/café.gif"};
    auto data = win::CreateFileDropDataObject(files);
    win::ExternalDrag drag;
    win::TPoint at = form->ClientToScreen({50, 40});
    EXPECT_EQ(drag.Move(data.Get(), at, win::MK_LBUTTON, win::DROPEFFECT_COPY | win::DROPEFFECT_MOVE),
              win::DROPEFFECT_COPY);
    EXPECT_EQ(drag.Drop(data.Get(), at, 0, win::DROPEFFECT_COPY | win::DROPEFFECT_MOVE), win::DROPEFFECT_COPY);
    EXPECT_EQ(names, files);
    EXPECT_EQ(point.X, 50);
    EXPECT_EQ(point.Y, 40);
    EXPECT_EQ(target->GetFileNames()->Count(), 0);
    // Without a preferred effect a file target takes a copy.
    EXPECT_EQ(target->GetPreferredDropEffect(), int32_t(win::DROPEFFECT_COPY));
    vcl::Clipboard()->SetAsText("no files");
    EXPECT_EQ(target->PasteFromClipboard(), 0); // text only: nothing a file target reads
}

} // namespace
