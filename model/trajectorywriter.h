#pragma once

#include "model/frame.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

/// Writes one frame in the program's single text layout: a count line ("%4d  //number of
/// atoms"), a time line ("%10f %10f  //time and energy") and one line per atom with its name,
/// position (Angstrom), charge and impulse. Numbers always use "." as the decimal point.
/// Returns 0 when every piece was written, -1 as soon as one write fails (the rest of the frame
/// is not attempted; what was written stays).
int writeFrame(const Frame &frame, std::FILE *file);
int writeFrame(const Frame &frame, std::ostream &stream);

/// Writes one atom line ("%4s", " %10f %10f %10f %10f", " %10f %10f %10f\n"); 0 or -1.
int writeAtom(const FrameAtom &atom, std::FILE *file);
int writeAtom(const FrameAtom &atom, std::ostream &stream);

/// The value as "%*.6f" would print it in the "C" locale: fixed point, 6 decimals, right-aligned
/// in at least width characters ("inf", "nan" for those values).
std::string formatFixed(double value, int width);

/// The frames, numbered from 1, that "&Save..." writes for the range first..last: all of it when
/// all is set or count covers the range, otherwise count frames spread evenly over it with the
/// first and the last included. Empty when the range holds no frame to save (count or span
/// below 1), which the caller reports as invalid options.
std::vector<int> selectFramesToSave(int first, int last, int count, bool all);
