#pragma once

#include "model/frame.h"

#include <cstdio>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

/// Writes one frame in the program's single text layout: a count line ("%4d  //number of
/// atoms"), a time line ("%10f %10f  //time and energy") and one line per atom with its name,
/// position (Angstrom), charge and impulse. Numbers always use "." as the decimal point.
/// Returns 0 when every piece was written, -1 as soon as one write fails (the rest of the frame
/// is not attempted; what was written stays).
int writeFrame(const Frame &frame, std::FILE *file);
int writeFrame(const Frame &frame, std::ostream &stream);

/// The text layouts frames are written in: the program's own (as writeFrame above), plain XYZ
/// (count, comment, "name x y z") and extended XYZ (the comment carries Lattice, Origin, pbc,
/// time, energy, Properties and the other pairs the file read had; the atom lines species, pos,
/// the impulses and charges under the names they were read by, or momenta and charges when any
/// is not 0, and the columns kept from an extended XYZ file). Every layout writes the names the
/// atoms were read with; extended XYZ, whose species other readers take as element symbols,
/// gives an atom named otherwise ("OW", "CA") its element's symbol and writes the name in a
/// names column. XYZ numbers are written in their shortest form that reads back as the same
/// double.
enum class WriteLayout { Common, XYZ, ExtendedXYZ };

/// Writes one frame in layout; 0 or -1 as writeFrame.
int writeFrame(const Frame &frame, std::FILE *file, WriteLayout layout);
int writeFrame(const Frame &frame, std::ostream &stream, WriteLayout layout);
/// The layout a file of that extension is written in: ".extxyz" extended XYZ, else Common.
WriteLayout writeLayoutForExtension(std::string_view extension);

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
