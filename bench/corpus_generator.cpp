#include "corpus_generator.h"

#include <stdexcept>
#include <string_view>


namespace quelvane::bench {
namespace {

constexpr std::u16string_view kCharacters =
    u"的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定行学法所民得经"
    u"十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处理府研质导"
    u"风云剑客江湖门派掌柜酒楼城墙少年姑娘师父弟子长老宗主黑衣白袍青山绿水春夏秋冬月光星辰";
// The same characters in their Traditional forms, one for one, for the same
// novel in Big5.
constexpr std::u16string_view kTraditionalCharacters =
    u"的一是在不了有和人這中大為上個國我以要他時來用們生到作地於出就分對成會可主發年動同工也能下過子說產種面而方後多定行學法所民得經"
    u"十三之進著等部度家電力里如水化高自二理起小物現實加量都兩體制機當使點從業本去把性好應開它合還因由其些然前外天政四日那社義事平形相全表間樣與關各重新線內數正心反你明看原又麼利比或但質氣第向道命此變條只沒結解問意建月公無系軍很情者最立代想已通並提直題黨程展五果料象員革位入常文總次品式活設及管特件長求老頭基資邊流路級少圖山統接知較將組見計別她手角期根論運農指幾九區強放決西被乾做必戰先回則任取據處理府研質導"
    u"風雲劍客江湖門派掌櫃酒樓城牆少年姑娘師父弟子長老宗主黑衣白袍青山綠水春夏秋冬月光星辰";
static_assert(kTraditionalCharacters.size() == kCharacters.size());
constexpr std::u16string_view kPunctuation = u"，，，。！？：；";
constexpr std::u16string_view kNumerals = u"一二三四五六七八九";
const std::u16string_view kAsciiWords[] = {u"OK", u"CEO", u"Wi-Fi", u"VIP", u"QQ"};
const std::u16string_view kAdvertisements[] = {u"本书首发，请收藏本站", u"（本章完）", u"手机用户请浏览阅读"};
const std::u16string_view kTraditionalAdvertisements[] = {u"本書首發，請收藏本站", u"（本章完）", u"手機用戶請瀏覽閱讀"};

// Outside GBK, four bytes each in GB18030: a few per chapter, as modern
// editors write them.
constexpr std::u16string_view kBeyondGbk = u"㐀𠀀";

}  // namespace

std::string CorpusGenerator::Encoded(std::u16string_view text) const {
  std::string bytes;
  if (!Encode(text, encoding_, bytes)) throw std::logic_error("benchmark text outside its encoding");
  return bytes;
}

char16_t CorpusGenerator::Character() {
  const std::u16string_view characters = encoding_ == TextEncoding::Big5 ? kTraditionalCharacters : kCharacters;
  return characters[Uniform(0, characters.size() - 1)];
}

std::u16string_view CorpusGenerator::Advertisement() {
  const size_t which = Uniform(0, std::size(kAdvertisements) - 1);
  return encoding_ == TextEncoding::Big5 ? kTraditionalAdvertisements[which] : kAdvertisements[which];
}

std::u16string CorpusGenerator::Sentence() {
  std::u16string sentence;
  const bool quoted = Uniform(0, 5) == 0;
  if (quoted) sentence += u"“";
  for (size_t clause = Uniform(1, 4); clause > 0; --clause) {
    for (size_t n = Uniform(4, 14); n > 0; --n) sentence += Character();
    if (Uniform(0, 30) == 0) sentence += kAsciiWords[Uniform(0, std::size(kAsciiWords) - 1)];
    sentence += clause > 1 ? u'，' : kPunctuation[Uniform(3, kPunctuation.size() - 1)];
  }
  if (quoted) sentence += u"”";
  return sentence;
}

std::u16string CorpusGenerator::Heading() {
  ++chapter_;
  std::u16string heading = u"第";
  if (chapter_ % 2 == 0) {
    for (char digit : std::to_string(chapter_)) heading += static_cast<char16_t>(digit);
  } else {
    heading += kNumerals[Uniform(0, 8)];
    heading += u"百";
    heading += kNumerals[Uniform(0, 8)];
    heading += u"十";
    heading += kNumerals[Uniform(0, 8)];
  }
  heading += u"章 ";
  if (encoding_ == TextEncoding::Gb18030) heading += kBeyondGbk;
  for (size_t n = Uniform(2, 6); n > 0; --n) heading += Character();
  return heading;
}

void CorpusGenerator::AppendNovel(size_t bytes, std::string& out) {
  const size_t target = out.size() + bytes;
  if (out.empty()) out += EncodingPreamble(encoding_);
  while (out.size() < target) {
    out += Encoded(Heading() + u"\r\n\r\n");
    for (size_t paragraphs = Uniform(20, 60); paragraphs > 0 && out.size() < target; --paragraphs) {
      std::u16string text;
      std::u16string paragraph = Uniform(0, 3) == 0 ? u"  " : u"\u3000\u3000";
      for (size_t sentences = Uniform(2, 8); sentences > 0; --sentences) paragraph += Sentence();
      // Hard breaks every 20-40 characters, mid-sentence.
      for (size_t at = 0; at < paragraph.size();) {
        size_t length = std::min(Uniform(20, 40), paragraph.size() - at);
        text.append(paragraph, at, length);
        text += u"\r\n";
        at += length;
      }
      if (Uniform(0, 2) == 0) text += u"\r\n";
      if (Uniform(0, 40) == 0) text += std::u16string(Advertisement()) + u"\r\n";
      out += Encoded(text);
    }
  }
}

void CorpusGenerator::AppendUnbrokenParagraph(size_t bytes, std::string& out) {
  const size_t target = out.size() + bytes;
  std::u16string line;
  while (out.size() < target) {
    line.clear();
    for (size_t n = Uniform(20, 40); n > 0; --n) line += Character();
    line += u"\r\n";
    out += Encoded(line);
  }
}

}  // namespace quelvane::bench
