// The card's PDF page on each paper. No Windows headers.
#pragma once

#include "export/picture_file.h"
#include "picture/pdf.h"

// The card alone: a page exactly its nominal 304.5 x 139.2 mm, the card edge to edge. On A4,
// the page and the places of the cards and their cut marks as printing lays them out.
picture::PdfPage card_pdf_page(PdfPaper paper);
