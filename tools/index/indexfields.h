/** @file indexfields.h @brief Field names of the catalogue index, as the writer and the tools use them. */
#pragma once

#include "engine/endocfindtype.h"

/// The catalogue index's field names (wide strings, as the index library
/// takes them). The library reads the same names; see docs/index.md.
namespace IndexFields {
inline constexpr const wchar_t* MatId = L"mat_id";
inline constexpr const wchar_t* Code = L"code_fvl_idx";
inline constexpr const wchar_t* Title = L"title_fvl_idx";
inline constexpr const wchar_t* Spec = L"spec_fvl_idx";
inline constexpr const wchar_t* Brand = L"brand_fvl_idx";
inline constexpr const wchar_t* ChsWords = L"chs_ppl_idx";
inline constexpr const wchar_t* MixWords = L"mix_ppl_idx";
inline constexpr const wchar_t* NumWords = L"num_ppl_idx";
inline constexpr const wchar_t* EnWords = L"en_ppl_idx";

/// The word field for a word of class @p type (DocChsPpl to DocEnPpl).
inline const wchar_t* wordField(EnDocFindType type)
{
    switch (type) {
    case DocChsPpl:
        return ChsWords;
    case DocMixPpl:
        return MixWords;
    case DocNumPpl:
        return NumWords;
    default:
        return EnWords;
    }
}
} // namespace IndexFields
