#pragma once
// A recipient of an item.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "mapi/Properties.h"

namespace pellmark::mapi {

// One row of a recipient table: every value in memory.
class Recipient : public Properties {
  public:
    Recipient(std::vector<std::pair<PropTag, PropValue>> values, uint32_t codepage);

    const std::vector<std::pair<PropTag, PropValue>>& values() const { return values_; }
    // The value of `propId` in the row, or null.
    const PropValue* find(uint16_t propId) const;
    // A string value as UTF-8, empty when absent.
    std::string text(uint16_t propId) const;
    // PR_RECIPIENT_TYPE: 1 To, 2 Cc, 3 Bcc (the high bits are flags).
    int type() const;

    std::vector<PropTag> tags() const override;
    std::optional<PropValue> get(uint16_t propId) const override;
    uint32_t codepage() const override { return codepage_; }

  private:
    std::vector<std::pair<PropTag, PropValue>> values_;
    uint32_t codepage_;
};

}  // namespace pellmark::mapi
