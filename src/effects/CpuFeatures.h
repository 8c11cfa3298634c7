#pragma once
// Which vector builds of the DSP loops this machine runs, decided once at run time. The
// builds give the same bits; tests turn the wider ones off to compare them.
namespace sv {

bool Avx2Usable();
// AVX-512 (foundation, double-word/quad-word and 256-bit-lane instructions); never without AVX2.
bool Avx512Usable();
void AllowAvx2(bool allowed);
void AllowAvx512(bool allowed);

}  // namespace sv
