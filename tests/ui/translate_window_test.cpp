// Placeholder until these tests are written.
