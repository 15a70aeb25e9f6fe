#pragma once
#include <QSize>
#include <cstdint>

// Screen and page coordinates are in twips (1/1440 inch): 15 per pixel at 96 dots per inch.
double Twips_Per_Pixel();
int32_t Pixels_To_Twips(int32_t pixels);
int32_t Twips_To_Pixels(int32_t twips);
// The primary screen's size in twips; empty when there is no screen.
QSize Screen_Size_Twips();
