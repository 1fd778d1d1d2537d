// The card's two looks: in colour, and in black and white for a laser printer ("黑白省墨"),
// the same layout on white with outlines and light grey where the colour card has colour.
#pragma once

enum class CardStyle { Colour, BlackAndWhite };
