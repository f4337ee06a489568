/** @file indexfields.h @brief The field names of the catalogue index: one table for the engine, the indexer and the tools. */
#pragma once

#include "analysis/endocfindtype.h"

/// The catalogue index's field names (wide strings, as CLucene
/// takes them), by EnDocFindType value. The indexer writes and the engine
/// reads exactly these; see docs/index.md.
namespace IndexFields {
inline constexpr const wchar_t* Names[] = {
    L"mat_id",      L"code_fvl_idx", L"title_fvl_idx", L"spec_fvl_idx", L"brand_fvl_idx",
    L"chs_ppl_idx", L"mix_ppl_idx",  L"num_ppl_idx",   L"en_ppl_idx",
};
inline constexpr unsigned Count = sizeof(Names) / sizeof(Names[0]);
static_assert(Count == DocEnPpl + 1, "one name per EnDocFindType value");

/// The name of field @p type; any value outside the enumeration (compared as
/// unsigned, so negative ones too) names "en_ppl_idx".
inline constexpr const wchar_t* name(EnDocFindType type)
{
    return static_cast<unsigned>(type) < Count ? Names[static_cast<unsigned>(type)]
                                               : Names[DocEnPpl];
}

inline constexpr const wchar_t* MatId = Names[DocMatId];
inline constexpr const wchar_t* Code = Names[DocCode];
inline constexpr const wchar_t* Title = Names[DocTitle];
inline constexpr const wchar_t* Spec = Names[DocSpec];
inline constexpr const wchar_t* Brand = Names[DocBrand];
inline constexpr const wchar_t* ChsWords = Names[DocChsPpl];
inline constexpr const wchar_t* MixWords = Names[DocMixPpl];
inline constexpr const wchar_t* NumWords = Names[DocNumPpl];
inline constexpr const wchar_t* EnWords = Names[DocEnPpl];

/// The word field for a word of class @p type (DocChsPpl to DocEnPpl); every
/// other value gives "en_ppl_idx".
inline constexpr const wchar_t* wordField(EnDocFindType type)
{
    return type >= DocChsPpl && type <= DocEnPpl ? name(type) : EnWords;
}
} // namespace IndexFields
