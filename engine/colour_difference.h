// The CIEDE2000 colour difference of two CIE Lab colours (parametric factors
// kL = kC = kH = 1): about 1 for a difference an observer just notices.
#pragma once

double ColourDifference2000(const double lab1[3], const double lab2[3]);
