#pragma once
// Which vector builds of the DSP loops this machine runs, decided once at run time. The
// builds give the same bits; tests turn AVX2 off to compare them.
namespace sv {

bool Avx2Usable();
void AllowAvx2(bool allowed);

}  // namespace sv
