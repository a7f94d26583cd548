#include "help_text.h"

#include <QStringList>

#include "app_info.h"

namespace quelvane {

QString HelpText() {
  const QStringList lines{
      QStringLiteral("一、功能："),
      QStringLiteral("按设定的规则，成批整理同一文件夹内大量文本文件的内容。"),

      QStringLiteral("二、整理方式："),
      QStringLiteral("1.与某一字符串相同的行，整行替换为指定内容(整行替换)；"),
      QStringLiteral("2.以某一字符串开头的行，整行替换为指定内容(整行替换)；"),
      QStringLiteral("3.以某一字符串结尾的行，整行替换为指定内容(整行替换)；"),
      QStringLiteral("4.把被强行断开的段落重新接成完整的段(断行续接)；"),
      QStringLiteral("5.断行续接时，可指定视为整段的开头标志，其中“?”代表任意一个字符，"
                     "还可选择“以序数词开头视为整段”；"),
      QStringLiteral("6.把每段按指定的字符数切成等长的几段(等长分段)；"),
      QStringLiteral("7.保持原有段落，不作调整(不调段落)；"),
      QStringLiteral("8.在每段开头加上指定文字(段首增加文字)；"),
      QStringLiteral("9.在每段末尾加上指定文字(段尾增加文字)；"),
      QStringLiteral("10.去掉每段开头的指定文字(段首取消文字)；"),
      QStringLiteral("11.去掉每段末尾的指定文字(段尾取消文字)；"),
      QStringLiteral("12.删除全部空行(删除空行)；"),
      QStringLiteral("13.在两段之间各留一个空行(段间设行)；"),
      QStringLiteral("14.保持原有空行，不作调整(不调空行)；"),
      QStringLiteral("15.在所有文件中把一段文字替换为另一段文字(文字替换)。"),

      QStringLiteral("三、操作步骤："),
      QStringLiteral("1.选择要整理的文件夹；"),
      QStringLiteral("2.检查文件列表；"),
      QStringLiteral("3.输入替换内容；"),
      QStringLiteral("4.需要在段与段之间留出空行时，选择“段间设行”；"),
      QStringLiteral("5.需要删除空行时，选择“删除空行”；"),
      QStringLiteral("6.需要处理段首、段尾时，填写要增加或取消的文字；"),
      QStringLiteral("7.需要等长分段时，选择“等长分段”，并输入每段的字符数；"),
      QStringLiteral("8.需要断行续接时，选择“断行续接”，填写视为整段的开头标志，并决定是否以序数词开头视为整段；"),
      QStringLiteral("9.确认整理。"),

      QStringLiteral("四、注意事项："),
      QStringLiteral("1.当前文件夹内所有符合条件的文本文件都会被整理；"),
      QStringLiteral("2.子文件夹内文件不会改动；"),
      QStringLiteral("3.三种整行替换各可设置多组，左栏为空的一组不起作用；"),
      QStringLiteral("4.视为整段的开头标志可设置多个，填写了的都会起作用，其余段落照常续接；"),
      QStringLiteral("5.例如键入“第???回”，则以“第一二零回”这样的回目(后接回目名称)开头的段视为整段，"
                     "不与上下段相接；"),
      QStringLiteral("6.序数词开头指段首是“1234567890一二三四五六七八九十零”中的字符；"),
      QStringLiteral("7.断行续接能接好绝大部分符合条件的段落；"),
      QStringLiteral("8.段首(尾)增加和取消文字都以读入的原行为准，例如对“abc 东方之星”一行，段首既增加又取消“abc ”，"
                     "结果仍是“abc 东方之星”：原有的“abc ”被取消，又增加了新的“abc ”；"),
      QStringLiteral("9.硬回车即视为一段；"),
      QStringLiteral("10.替换时区分大小写；"),
      QStringLiteral("11.整理不可恢复。"),

      QStringLiteral("五、软件信息："),
      QStringLiteral("名称：Quelvane"),
      QStringLiteral("版本：") + ApplicationVersion(),
      QStringLiteral("许可：MIT 许可证"),
      QStringLiteral("源代码：保存在本项目的代码仓库中"),
      QStringLiteral("问题反馈：请在本项目的问题跟踪系统中提交"),
  };
  const QString crLf = QStringLiteral("\r\n");
  return lines.join(crLf) + crLf;
}

}  // namespace quelvane
