int vorlanPlaceholder() { return 0; }
