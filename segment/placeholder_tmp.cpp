int vefinderSegmentPlaceholder = 0;
