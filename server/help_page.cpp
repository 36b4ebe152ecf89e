// The help page the marking screen shows in its image view until the first
// answer is opened.
#include "pages.h"

namespace velmora {

Reply page_help(Context&, const Query&)
{
    static const char* kHelp = R"HTML(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta http-equiv="Content-Type" content="text/html; charset=GBK">
<title>阅卷客户端使用方法</title>
<style>
body { font-family: "Noto Sans CJK SC", "Microsoft YaHei", sans-serif; margin: 24px 36px; color: #222; line-height: 1.7; }
h1 { font-size: 22px; color: #006b6b; border-bottom: 2px solid #00c0c0; padding-bottom: 6px; }
h2 { font-size: 17px; color: #006b6b; margin-top: 22px; }
kbd { border: 1px solid #999; border-radius: 3px; padding: 0 5px; background: #f4f4f4; }
table { border-collapse: collapse; margin: 8px 0; }
td, th { border: 1px solid #bbb; padding: 3px 10px; }
th { background: #e6f6f6; }
.note { background: #fff8e0; border-left: 4px solid #e0b000; padding: 6px 12px; }
</style>
</head>
<body>
<h1>阅卷客户端使用方法</h1>

<h2>一、选择阅卷任务</h2>
<p>窗口上方列出分配给您的阅卷任务：按题分配时是“第 N 题”复选框，按班级分配时是“某某班”单选按钮。
打开窗口时自动选中第一项并读取试题。勾选多道题可以同时批阅同一考生的几道题，此时左侧列表每位考生占连续几行。</p>

<h2>二、当前缓存试题列表</h2>
<p>左侧“当前缓存试题列表”是本批要批阅的试题，程序在后台逐一下载试题图片。
单击某一行即可显示该题图片；图片还没有下载完时会提示稍候。
第一次单击之后，每批新的试题会自动打开第一题。</p>

<h2>三、输入分数</h2>
<table>
<tr><th>操作</th><th>作用</th></tr>
<tr><td>在“本题得分”框中输入数字</td><td>分数写入当前行；大于满分的分数不会被接受</td></tr>
<tr><td><kbd>Enter</kbd></td><td>确认本题得分，转到下一题；最后几题确认后自动保存并读取下一批</td></tr>
<tr><td>分数面板上的按钮</td><td>用鼠标点击输入分数，“下一题”只换题不保存</td></tr>
<tr><td>“智能换题”</td><td>输入的分数已不可能再加一位时自动换到下一题</td></tr>
<tr><td>“整数分数 / 小数分数”</td><td>选择分数是整数还是带小数；可设置小数点后自动补的数字</td></tr>
</table>

<h2>四、保存</h2>
<p>点击“保存”把本批已输入的分数交给服务器，随后读取下一批试题。
程序每隔约半分钟还会自动保存尚未保存的分数。只有服务器确认保存的分数才算完成。</p>
<p class="note">考试的阅卷已经结束时，修改的分数不能再保存，请与考试创建人联系。</p>

<h2>五、已批试题列表</h2>
<p>点击“已批试题列表”显示您已经批阅过的试题。单击一行查看图片，双击一行把它加入缓存列表，便可以修改得分。
点击列标题可以按该列排序。</p>

<h2>六、反馈</h2>
<ul>
<li><b>异常试题 → 试题图像错误</b>：图片模糊、裁剪错误或不是本题时使用。服务器记录后，请跳过此题批阅下一题。</li>
<li><b>异常试题 → 试题满分不正确</b>：本题满分与试卷不一致时使用，管理员会处理。</li>
<li><b>异常试题 → 重新下载本题图片</b>：本地图片损坏时使用，然后再单击该行。</li>
<li><b>优秀解答</b>：推荐当前答卷作为优秀答案。</li>
</ul>

<h2>七、其他</h2>
<p>“试题显示比例”滑块调整图片大小；窗口下方的状态栏显示阅卷时长和服务器消息，
“阅卷任务情况”和“学科试题量”显示您的工作量、完成量和本学科的试题总量。</p>
</body>
</html>
)HTML";
    return Reply::text(kHelp);
}

}  // namespace velmora
