int vefinderLexiconPlaceholder = 0;
