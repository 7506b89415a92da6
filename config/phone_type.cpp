#include "config/phone_type.h"

#include "config/text_utils.h"

namespace tarvo {

bool IsEmptyRecord(const PhoneTypeRecord& type) { return type.Definition.empty(); }

void ParsePhoneType(std::string_view value, PhoneTypeRecord& record) {
  const std::vector<std::string> items = SplitList(value);
  if (items.size() < 15) return;

  const auto langMapSize = ReadDecimal(items[13], INT16_MIN, INT16_MAX);
  const auto defaultMaxMsgId = ReadDecimal(items[14], INT32_MIN, INT32_MAX);
  if (!langMapSize || !defaultMaxMsgId) return;

  record.Name = items[0];
  if (items[1] == "-1") {
    record.IsLangFile = true;
    record.PackOffset = 0;
  } else {
    record.PackOffset = HexValue(items[1]);
  }
  std::int32_t* const hexFields[] = {
      &record.PackSizeLimit,      &record.BlockCountPos,   &record.LangMapOffsetPos,
      &record.LangTableOffsetPos, &record.LangIdListOffsetPos, &record.AllLangsPos,
      &record.FirstLangIdPos,     &record.StringIndexOffsetPos, &record.LgPackIdPos,
      &record.MaxMsgIdPos,        &record.BlockTablePos,
  };
  for (std::size_t i = 0; i < std::size(hexFields); ++i) *hexFields[i] = HexValue(items[2 + i]);
  record.LangMapSize = static_cast<std::int16_t>(*langMapSize);
  record.DefaultMaxMsgId = *defaultMaxMsgId;

  // Items from 16 on come in pairs of offset and value; a last item without
  // a partner is ignored.
  record.IdBytes.clear();
  for (std::size_t i = 15; i + 1 < items.size(); i += 2) {
    const std::string_view valueItem = std::string_view(items[i + 1]).substr(0, 2);
    record.IdBytes.push_back({HexValue(items[i]), static_cast<std::uint8_t>(HexValue(valueItem))});
  }
  record.Definition = std::string(value);
}

}  // namespace tarvo
