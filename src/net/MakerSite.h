#pragma once
// The maker's web site: named in every e-mail sent and the only place update pages may live.
namespace sv {

constexpr const char* kMakerDomain = "quillonacoustics.com";
constexpr const char* kMakerWebPage = "https://www.quillonacoustics.com/sonvela/";
constexpr const char* kVersionServer = "www.quillonacoustics.com";
constexpr const char* kVersionPath = "/versions/Sonvela.txt";

}  // namespace sv
