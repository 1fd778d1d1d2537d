#include "card/slot_captions.h"

SlotCaptions slot_captions(std::wstring_view number) {
    SlotCaptions captions;
    for (std::size_t k = 0; k < kSlotCount; ++k)
        captions[k] = number.empty() ? L"*" : k < number.size() ? std::wstring(1, number[k]) : L"";
    return captions;
}
