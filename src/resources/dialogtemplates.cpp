#include "resources/dialogtemplate.h"

#include <algorithm>

#include "resources/resourceids.h"

namespace {

using namespace TemplateStyle;
using K = ControlKind;

// The main window, in tab order. The builder lowers every group box beneath the controls it
// frames, wherever it stands in this list.
constexpr ControlTemplate kMainControls[] = {
    {IDC_HELP_BUTTON, K::PushButton, u"帮助", 393, 280, 39, 14, DefaultButton, "helpButton"},
    {IDC_STATIC, K::GroupBox, u"课程", 7, 3, 124, 309, None, "courseGroupBox"},
    {IDC_COURSE_TREE, K::TreeView, u"", 14, 17, 112, 268,
     Border | HasButtons | HasLines | LinesAtRoot | ShowSelAlways | TrackSelect | SingleExpand,
     "courseTreeView"},
    {IDC_NEW_OWN_LIST, K::PushButton, u"新建词表…", 14, 289, 112, 14, None, "newOwnListButton"},
    {IDC_STATIC, K::GroupBox, u"单词", 136, 3, 194, 309, None, "wordGroupBox"},
    {IDC_WORD_LIST, K::ListView, u"", 142, 14, 168, 289,
     Border | ReportView | SingleSelection | ShowSelAlways, "wordTableView"},
    {IDC_CHECK_ALL, K::PushButton, u"全部选择", 312, 44, 13, 48, MultiLine | Notify,
     "checkAllButton"},
    {IDC_CHECK_NONE, K::PushButton, u"取消选择", 312, 130, 13, 48, MultiLine, "checkNoneButton"},
    {IDC_INVERT_CHECKS, K::PushButton, u"反向选择", 312, 228, 13, 48, MultiLine,
     "invertChecksButton"},
    {IDC_STATIC, K::GroupBox, u"查询单词", 335, 3, 156, 73, None, "lookUpGroupBox"},
    {IDC_STATIC, K::Label, u"单词", 345, 21, 17, 8, None, "lookUpEnglishLabel"},
    {IDC_LOOKUP_ENGLISH_EDIT, K::Edit, u"", 370, 19, 72, 13, Border, "lookUpEnglishEdit"},
    {IDC_LOOKUP_ENGLISH, K::PushButton, u"查询", 449, 19, 25, 12, None, "lookUpEnglishButton"},
    {IDC_STATIC, K::Label, u"翻译", 345, 48, 17, 8, None, "lookUpChineseLabel"},
    {IDC_LOOKUP_CHINESE_EDIT, K::Edit, u"", 370, 47, 72, 13, Border | AutoHScroll,
     "lookUpChineseEdit"},
    {IDC_LOOKUP_CHINESE, K::PushButton, u"查询", 449, 48, 25, 12, None, "lookUpChineseButton"},
    {IDC_STATIC, K::GroupBox, u"生成文件", 335, 133, 156, 134, None, "generateGroupBox"},
    {IDC_STATIC, K::Label, u"请选择语音角色↓", 336, 149, 65, 8, None, "voiceHintLabel"},
    {IDC_STATIC, K::Label, u"角色", 345, 168, 17, 8, None, "voiceLabel"},
    {IDC_VOICE, K::ComboBox, u"", 370, 164, 105, 51, DropDownList | Sorted | VScroll,
     "voiceComboBox"},
    {IDC_STATIC, K::Label, u"格式", 345, 194, 17, 8, None, "formatLabel"},
    {IDC_FORMAT, K::ComboBox, u"", 370, 192, 105, 81, DropDownList | VScroll, "formatComboBox"},
    {IDC_STATIC, K::Label, u"路径", 345, 218, 17, 8, None, "outputFolderLabel"},
    {IDC_OUTPUT_FOLDER, K::Edit, u"", 370, 215, 85, 13, Border | ReadOnly | AutoHScroll,
     "outputFolderEdit"},
    {IDC_BROWSE, K::PushButton, u"选择", 455, 215, 20, 13, None, "browseButton"},
    {IDC_SKIP_EXISTING, K::CheckBox, u"跳过已有文件", 370, 231, 70, 10, AutoCheckBox, "skipExistingCheckBox"},
    {IDC_OUTPUT_OPTIONS, K::PushButton, u"选项…", 443, 230, 32, 12, None, "outputOptionsButton"},
    {IDC_PREVIEW, K::PushButton, u"试听", 360, 244, 50, 14, None, "previewButton"},
    {IDC_GENERATE, K::PushButton, u"生成文件", 420, 244, 50, 14, None, "generateButton"},
    {IDC_PROGRESS, K::ProgressBar, u"", 7, 319, 484, 10, Border, "generateProgressBar"},
    {IDOK, K::PushButton, u"退出", 438, 280, 39, 14, None, "exitButton"},
    {IDC_STATIC, K::GroupBox, u"拼读选项", 335, 82, 156, 44, None, "optionsGroupBox"},
    {IDC_SPELL_OUT, K::CheckBox, u"拼读", 361, 101, 32, 10, AutoCheckBox, "spellOutCheckBox"},
    {IDC_PREFIX, K::CheckBox, u"前缀", 438, 101, 32, 10, AutoCheckBox, "prefixCheckBox"},
    {IDC_CHINESE_MEANING, K::CheckBox, u"汉意", 401, 101, 32, 10, AutoCheckBox,
     "chineseMeaningCheckBox"},
    {IDC_DOWNLOAD_LINK, K::Label, u"点击[这里]下载语音库", 408, 149, 79, 9, Notify | NoWordWrap,
     "downloadLinkLabel"},
};

constexpr ControlTemplate kAboutControls[] = {
    {IDC_STATIC, K::Icon, u"", 11, 17, 20, 20, None, "iconLabel"},
    {IDC_STATIC, K::Label, u"Lexovox 1.5版", 40, 11, 119, 8, NoWordWrap, "versionLabel"},
    {IDOK, K::PushButton, u"确定", 178, 7, 50, 14, DefaultButton, "okButton"},
};

constexpr ControlTemplate kHelpControls[] = {
    {IDC_STATIC, K::GroupBox, u"说明", 7, 4, 253, 157, None, "helpGroupBox"},
    {IDC_STATIC, K::Label,
     u"    为了使发音更完美、逼真、带有感情色彩,请选择优异的语音库,可百度搜索如“VW Lily”“Girl XiaoKun” 等等。您可以通过附带的“Vocadrop”,选择下载。",
     11, 35, 242, 29, None, "voicesLabel"},
    {IDC_STATIC, K::Label,
     u"    您选择存储路径时,要确保该磁盘具有足够的空间,不然文件将生成错误。通常是先生成语音到硬盘里,然后拷贝到移动存储介质里,如MP3播放器。生成格式将会决定生成文件的大小,默认是“16kHz 16 Bit 单声道”,采集量化数越大,生成文件就会越大,当然音质也就越好。WAV文件可以直接被MP3播放器播放，你可以使用第三方工具把WAV格式转换成MP3格式,由于版权问题,这里没有给大家附带,这种工具比比皆是,自行下载吧！",
     10, 68, 242, 57, None, "filesLabel"},
    {IDC_STATIC, K::Label, u"谢谢使用\n   2010年7月", 197, 137, 53, 17, None, "thanksLabel"},
    {IDOK, K::PushButton, u"OK", 112, 169, 38, 13, DefaultButton, "okButton"},
};

constexpr DialogTemplate kTemplates[] = {
    {IDD_ABOUTBOX, u"关于 Lexovox", 235, 55, u"宋体", 9, None, "aboutDialog", kAboutControls},
    {IDD_WORDSPEECH_DIALOG, u"Lexovox", 499, 336, u"宋体", 9, MinimizeBox, "wordSpeechDialog",
     kMainControls},
    {IDD_HELP_DIALOG, u"帮助", 265, 194, u"宋体", 9, None, "helpDialog", kHelpControls},
};

struct StringEntry
{
    int id;
    const char16_t* text;
};

constexpr StringEntry kStrings[] = {
    {IDS_ABOUTBOX, u"关于 Lexovox(&A)..."},
    {IDS_VOICE_DOWNLOAD, u"https://github.com/espeak-ng/espeak-ng/blob/master/docs/mbrola.md"},
};

} // namespace

std::span<const ControlToolTip> mainWindowToolTips()
{
    static constexpr ControlToolTip kToolTips[] = {
        {IDC_PREVIEW, u"请在单词表中选择一项,不是勾选。\n调整“拼读选项”选择您要的效果"},
        {IDC_GENERATE, u"请在单词表中勾选一项或多项,生成的文件可以在MP3播放器播放"},
        {IDC_VOICE, u"请选择语音角色"},
        {IDC_FORMAT, u"请选择量化格式"},
        {IDC_WORD_LIST, u"如果试听请选择一项，如果生成声音文件要勾选"},
        {IDC_DOWNLOAD_LINK, u"点击打开“Vocadrop”"},
        {IDC_LOOKUP_ENGLISH_EDIT, u"至少2个字母"},
    };
    return kToolTips;
}

const DialogTemplate* findDialogTemplate(int id)
{
    const auto* it = std::find_if(std::begin(kTemplates), std::end(kTemplates),
                                  [id](const DialogTemplate& t) { return t.id == id; });
    return it == std::end(kTemplates) ? nullptr : it;
}

const char16_t* loadResourceString(int id)
{
    const auto* it = std::find_if(std::begin(kStrings), std::end(kStrings),
                                  [id](const StringEntry& s) { return s.id == id; });
    return it == std::end(kStrings) ? u"" : it->text;
}
