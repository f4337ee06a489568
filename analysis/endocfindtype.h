/** @file endocfindtype.h @brief The index fields a search can address. */
#pragma once

/// Selects a field of the catalogue index; VeFinder maps it to the field name.
/// 5 to 8 are the word fields, chosen per word by wordFindType().
enum EnDocFindType {
    DocMatId = 0,  ///< "mat_id": the entry's id, stored only
    DocCode = 1,   ///< "code_fvl_idx": the code and, where present, the norm key
    DocTitle = 2,  ///< "title_fvl_idx": the normalised name, one exact term
    DocSpec = 3,   ///< "spec_fvl_idx": the normalised specification, one exact term
    DocBrand = 4,  ///< "brand_fvl_idx": the brand; never searched
    DocChsPpl = 5, ///< "chs_ppl_idx": words holding Chinese characters
    DocMixPpl = 6, ///< "mix_ppl_idx": words mixing Latin letters and digits
    DocNumPpl = 7, ///< "num_ppl_idx": words of digits
    DocEnPpl = 8   ///< "en_ppl_idx": every other word
};
