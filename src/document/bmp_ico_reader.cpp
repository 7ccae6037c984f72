// Placeholder until this piece is written.
