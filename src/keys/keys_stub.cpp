// Placeholder until key management lands.
