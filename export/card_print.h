// "打印…": the card on paper at a size the user can rely on, drawn at print quality; one card
// on landscape paper, or two cards a page on portrait paper for the smaller dashboard size.
#pragma once

#include <string>

#include "export/card_export.h"

void print_card(const DrawCard& draw, const std::wstring& number, const ExportContext& context,
                int cards_per_page = 1);
