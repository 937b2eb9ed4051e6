// Placeholder until the file transform lands.
